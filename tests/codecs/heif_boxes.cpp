#include "heif_boxes.h"

#include "codec_test_util.h"

namespace codectest {

namespace {

QByteArray be(std::uint64_t value, int bytes) {
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) out[i] = static_cast<char>(value & 0xFF);
    return out;
}

QByteArray box(const char* type, const QByteArray& body) {
    return be(8 + static_cast<std::uint64_t>(body.size()), 4) + QByteArray(type, 4) + body;
}

QByteArray fullBox(const char* type, int version, std::uint32_t flags, const QByteArray& body) {
    return box(type, be(static_cast<std::uint64_t>(version), 1) + be(flags, 3) + body);
}

struct Coded {
    QByteArray hvcC;  // the whole property box
    QByteArray data;
};

// The top-level box of `type` in `file`: its offset and size, or -1.
std::pair<qsizetype, qsizetype> topLevel(const QByteArray& file, const char* type) {
    for (qsizetype at = 0; at + 8 <= file.size();) {
        const auto size = static_cast<qsizetype>(
            static_cast<std::uint8_t>(file[at]) << 24 | static_cast<std::uint8_t>(file[at + 1]) << 16 |
            static_cast<std::uint8_t>(file[at + 2]) << 8 | static_cast<std::uint8_t>(file[at + 3]));
        if (size < 8) break;
        if (file.mid(at + 4, 4) == type) return {at, size};
        at += size;
    }
    return {-1, 0};
}

const Coded& coded() {
    static const Coded once = [] {
        const QByteArray file = heifFile(pattern(kHeifTile, kHeifTile), HeifKind::Heic);
        Coded c;
        const qsizetype hvcC = file.indexOf("hvcC") - 4;
        if (hvcC >= 0) {
            const auto size = static_cast<qsizetype>(static_cast<std::uint8_t>(file[hvcC + 2]) << 8 |
                                                     static_cast<std::uint8_t>(file[hvcC + 3]));
            c.hvcC = file.mid(hvcC, size);
        }
        // libheif's writer puts the one picture's data, whole, in the mdat box.
        const auto [mdat, size] = topLevel(file, "mdat");
        if (mdat >= 0) c.data = file.mid(mdat + 8, size - 8);
        return c;
    }();
    return once;
}

QByteArray metaBox(const HeifLayout& layout, std::uint64_t mdatStart) {
    const Coded& c = coded();
    QByteArray infes, ipco, ipma, idat, iloc, iref;
    int properties = 0, located = 0;
    const auto property = [&](const QByteArray& bytes) {
        ipco += bytes;
        return ++properties;
    };
    std::uint64_t inMdat = 0;
    for (const HeifItem& item : layout.items) {
        const bool isCoded = item.type == "hvc1";
        infes += fullBox("infe", 2, item.hidden ? 1 : 0,
                         be(item.id, 2) + be(0, 2) + item.type + QByteArray(1, '\0'));
        QByteArray associations;
        int count = 0;
        if (isCoded) associations += be(0x80 | static_cast<std::uint64_t>(property(c.hvcC)), 1), ++count;
        if (item.width > 0)
            associations += be(static_cast<std::uint64_t>(
                                   property(fullBox("ispe", 0, 0,
                                                    be(static_cast<std::uint64_t>(item.width), 4) +
                                                        be(static_cast<std::uint64_t>(item.height), 4)))),
                               1),
                ++count;
        if (item.alpha)
            associations += be(static_cast<std::uint64_t>(property(
                                   fullBox("auxC", 0, 0, QByteArray("urn:mpeg:hevc:2015:auxid:1", 27)))),
                               1),
                ++count;
        ipma += be(item.id, 2) + be(static_cast<std::uint64_t>(count), 1) + associations;

        const QByteArray data = isCoded && item.data.isEmpty() ? c.data : item.data;
        ++located;
        if (data.isEmpty()) {  // an identity item: a location without extents
            iloc += be(item.id, 2) + be(0, 2) + be(0, 2) + be(0, 2);
            continue;
        }
        const bool idatItem = item.inIdat && !isCoded;
        const std::uint64_t offset = idatItem ? static_cast<std::uint64_t>(idat.size()) : mdatStart + inMdat;
        iloc += be(item.id, 2) + be(idatItem ? 1 : 0, 2) + be(0, 2) + be(1, 2) + be(offset, 4) +
                be(static_cast<std::uint64_t>(data.size()), 4);
        if (idatItem)
            idat += data;
        else
            inMdat += static_cast<std::uint64_t>(data.size());
    }
    for (const auto& [id, data] : layout.relocated) {
        ++located;
        iloc += be(id, 2) + be(1, 2) + be(0, 2) + be(1, 2) + be(static_cast<std::uint64_t>(idat.size()), 4) +
                be(static_cast<std::uint64_t>(data.size()), 4);
        idat += data;
    }
    for (const HeifReference& ref : layout.references) {
        QByteArray body = be(ref.from, 2) + be(ref.to.size(), 2);
        for (const std::uint32_t to : ref.to) body += be(to, 2);
        iref += box(ref.type.constData(), body);
    }
    QByteArray body = fullBox("hdlr", 0, 0, be(0, 4) + "pict" + QByteArray(13, '\0'));
    body += fullBox("pitm", 0, 0, be(layout.primary, 2));
    body += layout.iloc.isEmpty()
                ? fullBox("iloc", 1, 0,
                          be(0x44, 1) + be(0, 1) + be(static_cast<std::uint64_t>(located), 2) + iloc)
                : layout.iloc;
    body += fullBox("iinf", 0, 0, be(layout.items.size(), 2) + infes);
    if (!iref.isEmpty()) body += fullBox("iref", 0, 0, iref);
    body += box("iprp", box("ipco", ipco) + fullBox("ipma", 0, 0, be(layout.items.size(), 4) + ipma));
    if (!idat.isEmpty()) body += box("idat", idat);
    return fullBox("meta", 0, 0, body);
}

}  // namespace

QByteArray heifAssemble(const HeifLayout& layout) {
    const QByteArray ftyp = box("ftyp", QByteArray("heic") + be(0, 4) + "mif1heic");
    QByteArray mdat;
    for (const HeifItem& item : layout.items)
        if (item.type == "hvc1")
            mdat += item.data.isEmpty() ? coded().data : item.data;
        else if (!item.inIdat)
            mdat += item.data;
    // The meta box's size does not depend on the offsets it holds.
    const QByteArray sizing = metaBox(layout, 0);
    const auto start = static_cast<std::uint64_t>(ftyp.size() + sizing.size() + 8);
    return ftyp + metaBox(layout, start) + box("mdat", mdat);
}

QByteArray gridDescription(int rows, int columns, std::uint32_t width, std::uint32_t height, bool wide) {
    const int n = wide ? 4 : 2;
    return be(0, 1) + be(wide ? 1 : 0, 1) + be(static_cast<std::uint64_t>(rows - 1), 1) +
           be(static_cast<std::uint64_t>(columns - 1), 1) + be(width, n) + be(height, n);
}

QByteArray overlayDescription(std::uint32_t width, std::uint32_t height,
                              const std::vector<std::int32_t>& positions, bool wide) {
    const int n = wide ? 4 : 2;
    QByteArray out = be(0, 1) + be(wide ? 1 : 0, 1) + be(0, 2) + be(0, 2) + be(0, 2) + be(0xFFFF, 2) +
                     be(width, n) + be(height, n);
    for (const std::int32_t p : positions) out += be(static_cast<std::uint32_t>(p), n);
    return out;
}

QByteArray hostileHeif(HostileHeif kind) {
    const int t = kHeifTile;
    HeifItem tile{3, "hvc1", {}, false, t, t, false, true};
    HeifLayout layout;
    switch (kind) {
        case HostileHeif::LayerAtNegativeOffset:
        case HostileHeif::LayerPastTheCanvas: {
            const bool negative = kind == HostileHeif::LayerAtNegativeOffset;
            const std::vector<std::int32_t> at =
                negative ? std::vector<std::int32_t>{-10, -10} : std::vector<std::int32_t>{1990, 0};
            layout.items = {{1, "iovl", overlayDescription(2000, 2000, at, false), true, 2000, 2000},
                            {3, "hvc1", {}, false, t, t, false, true}};
            layout.references = {{"dimg", 1, {3}}};
            break;
        }
        case HostileHeif::LayerWithAlpha:
            layout.items = {{1, "iovl", overlayDescription(2000, 2000, {0, 0}, false), true, 2000, 2000},
                            tile,
                            {4, "hvc1", {}, false, t, t, true, true}};
            layout.references = {{"dimg", 1, {3}}, {"auxl", 4, {3}}};
            break;
        case HostileHeif::AlphaIsHugeGrid:
            layout.items = {
                {1, "hvc1", {}, false, t, t},
                {2, "grid", gridDescription(1, 1, 65535, 65535, true), true, 65535, 65535, true, true},
                tile};
            layout.references = {{"auxl", 2, {1}}, {"dimg", 2, {3}}};
            break;
        case HostileHeif::GridOfHugeGrid:
            layout.items = {{1, "grid", gridDescription(1, 1, t, t, false), true, t, t},
                            {2, "grid", gridDescription(1, 1, 65535, 65535, true), true, 0, 0, false, true},
                            tile};
            layout.references = {{"dimg", 1, {2}}, {"dimg", 2, {3}}};
            break;
        case HostileHeif::IdentityOfHugeGrid:
            layout.items = {{1, "iden", {}, false, t, t},
                            {2, "grid", gridDescription(1, 1, 65535, 65535, true), false, 0, 0, false, true},
                            tile};
            layout.references = {{"dimg", 1, {2}}, {"dimg", 2, {3}}};
            break;
        case HostileHeif::ZeroSizeExtents:
        case HostileHeif::FewZeroSizeExtents: {
            const std::uint32_t items = kind == HostileHeif::ZeroSizeExtents ? 65535 : 4000;
            // No offset, length or base fields: each item is 6 bytes that claim 65535 extents.
            QByteArray body = be(0, 1) + be(0, 1) + be(items, 2);
            // The primary item, if at all, comes last.
            for (std::uint32_t i = 0; i < items; ++i) body += be(65535 - i, 2) + be(0, 2) + be(65535, 2);
            layout.items = {{1, "grid", gridDescription(1, 1, t, t, false), true, t, t}, tile};
            layout.references = {{"dimg", 1, {3}}};
            layout.iloc = fullBox("iloc", 0, 0, body);
            break;
        }
        case HostileHeif::RepeatedHugeTile:
            layout.items = {{1, "grid", gridDescription(128, 128, t, t, false), true, t, t},
                            {3, "hvc1", {}, false, 8192, 8192, false, true}};
            layout.references = {{"dimg", 1, std::vector<std::uint32_t>(128 * 128, 3)}};
            break;
        case HostileHeif::LayerNotAPicture:
            layout.items = {{1, "iovl", overlayDescription(2000, 2000, {0, 0}, false), true, 2000, 2000},
                            {3, "Exif", QByteArray(16, '\0'), false, t, t, false, true}};
            layout.references = {{"dimg", 1, {3}}};
            break;
        case HostileHeif::ReferenceBoxTooLong: {
            QByteArray file = hostileHeif(HostileHeif::LayerAtNegativeOffset);
            const qsizetype dimg = file.indexOf("dimg");
            file.replace(dimg - 4, 4, "iloc");
            return file;
        }
        case HostileHeif::LocatedTwice:
            // The grid's description twice: a small canvas first, a huge one after it.
            layout.items = {{1, "grid", gridDescription(1, 1, t, t, false), true, t, t}, tile};
            layout.references = {{"dimg", 1, {3}}};
            layout.relocated = {{1, gridDescription(1, 1, 65535, 65535, true)}};
            break;
        case HostileHeif::ReferenceLoop:
            layout.items = {{1, "grid", gridDescription(1, 1, t, t, false), true, t, t},
                            {2, "iden", {}, false, t, t, false, true}};
            layout.references = {{"dimg", 1, {2}}, {"dimg", 2, {1}}};
            break;
    }
    return heifAssemble(layout);
}

QByteArray derivedHeif(DerivedHeif kind) {
    const int t = kHeifTile;
    const HeifItem tile{3, "hvc1", {}, false, t, t, false, true};
    HeifLayout layout;
    switch (kind) {
        case DerivedHeif::Grid:
            layout.items = {{1, "grid", gridDescription(1, 2, 2 * t, t, false), true, 2 * t, t}, tile};
            layout.references = {{"dimg", 1, {3, 3}}};
            break;
        case DerivedHeif::Overlay:
            layout.items = {{1, "iovl", overlayDescription(160, 80, {0, 0, 96, 16}, false), false, 160, 80},
                            tile};
            layout.references = {{"dimg", 1, {3, 3}}};
            break;
        case DerivedHeif::Identity:
            layout.items = {{1, "iden", {}, false, t, t}, tile};
            layout.references = {{"dimg", 1, {3}}};
            break;
        case DerivedHeif::WithAlpha:
            layout.items = {{1, "hvc1", {}, false, t, t}, {2, "hvc1", {}, false, t, t, true, true}};
            layout.references = {{"auxl", 2, {1}}};
            break;
    }
    return heifAssemble(layout);
}

}  // namespace codectest
