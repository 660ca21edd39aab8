#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <libheif/heif.h>

#include "base/error.h"
#include "base/image.h"
#include "codecs/heif.h"
#include "codecs/messages.h"

namespace codecs::detail {
namespace {

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
struct NclxDeleter {
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};

void check(const heif_error& error) {
    if (error.code == heif_error_Ok) return;
    const QString reason = QString::fromUtf8(error.message ? error.message : "");
    // libheif refuses sides beyond the limit set below before it allocates anything.
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        throw base::Error(messages::heifTooLarge(reason));
    switch (error.code) {
        case heif_error_Memory_allocation_error:
            throw base::Error(messages::outOfMemory());
        case heif_error_Unsupported_filetype:
        case heif_error_Unsupported_feature:
        case heif_error_Decoder_plugin_error:
            throw base::Error(messages::heifUnsupported(reason));
        default:
            if (error.subcode == heif_suberror_End_of_data)
                throw base::Error(messages::heifTruncated(reason));
            throw base::Error(messages::heifDamaged(reason));
    }
}

void initialiseOnce() {
    static const bool done = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)done;
}

// The colour description of nclx: primaries and curve as the video standards number them.
ColourSource fromNclx(const heif_color_profile_nclx& n) {
    ColourSource source;
    const int primaries = n.color_primaries;
    if (primaries != heif_color_primaries_ITU_R_BT_709_5 && primaries != heif_color_primaries_unspecified)
        source.primaries = Chromaticities{
            n.color_primary_white_x, n.color_primary_white_y, n.color_primary_red_x,  n.color_primary_red_y,
            n.color_primary_green_x, n.color_primary_green_y, n.color_primary_blue_x, n.color_primary_blue_y};
    switch (n.transfer_characteristics) {
        case heif_transfer_characteristic_ITU_R_BT_709_5:
        case heif_transfer_characteristic_ITU_R_BT_601_6:
        case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
        case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
            source.transfer = Transfer::Bt709;
            break;
        case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
            source.transfer = Transfer::Power;
            source.encodingGamma = 1 / 2.2;
            break;
        case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
            source.transfer = Transfer::Power;
            source.encodingGamma = 1 / 2.8;
            break;
        case heif_transfer_characteristic_linear:
            source.transfer = Transfer::Power;
            source.encodingGamma = 1;
            break;
        default:
            // sRGB, unspecified, and the high-range curves a picture of 8 bits cannot show: as sRGB.
            if (source.primaries) source.transfer = Transfer::Srgb;
            break;
    }
    return source;
}

ColourSource colourOf(const heif_image_handle* handle) {
    ColourSource source;
    switch (heif_image_handle_get_color_profile_type(handle)) {
        case heif_color_profile_type_prof:
        case heif_color_profile_type_rICC: {
            const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
            if (size == 0 || size > static_cast<std::size_t>(kMaxProfileBytes)) break;
            QByteArray profile(static_cast<qsizetype>(size), Qt::Uninitialized);
            if (heif_image_handle_get_raw_color_profile(handle, profile.data()).code == heif_error_Ok)
                source.iccProfile = profile;
            break;
        }
        case heif_color_profile_type_nclx: {
            // libheif may hand out the profile with an error (unknown primaries): freed either way.
            heif_color_profile_nclx* raw = nullptr;
            const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &raw);
            const std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(raw);
            if (error.code == heif_error_Ok && nclx) source = fromNclx(*nclx);
            break;
        }
        default:
            break;
    }
    return source;
}

// libheif allocates the canvas of a grid or overlay picture from the item's own description,
// decodes every input of a derived picture and the alpha of each picture it decodes, and draws
// overlay layers that stand off their canvas past its buffers: a few hundred bytes could ask for
// gigabytes, or crash the program. With the whole file in memory, every item the decode of the
// primary picture will touch is found here first (the box layout of ISO/IEC 14496-12 and 23008-12)
// and held to the budget. What this reading does not understand is left to libheif, which refuses it.
class Boxes {
public:
    Boxes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    struct Box {
        std::uint32_t type = 0;
        std::size_t body = 0;  // offset of the contents
        std::size_t end = 0;
    };
    // The box at `at` that ends by `limit`; false when it does not fit.
    bool box(std::size_t at, std::size_t limit, Box& out) const {
        if (limit > size_ || at > limit || limit - at < 8) return false;
        std::uint64_t length = be(at, 4);
        out.type = static_cast<std::uint32_t>(be(at + 4, 4));
        out.body = at + 8;
        if (length == 1) {
            if (limit - at < 16) return false;
            length = be(at + 8, 8);
            out.body = at + 16;
        } else if (length == 0) {
            length = limit - at;
        }
        if (length < out.body - at || length > limit - at) return false;
        out.end = at + static_cast<std::size_t>(length);
        return true;
    }
    bool has(std::size_t at, std::size_t n, std::size_t limit) const {
        return at <= limit && limit - at >= n;
    }
    std::uint64_t be(std::size_t at, int bytes) const {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | data_[at + static_cast<std::size_t>(i)];
        return v;
    }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

constexpr std::uint32_t fourcc(const char (&t)[5]) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(t[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(t[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(t[2])) << 8 | static_cast<std::uint8_t>(t[3]);
}

// The pixels one decode may make in all (tiles, layers, canvases, alpha and depth): a picture at the
// budget with its alpha, both as grids of tiles, comes to about four times the budget.
constexpr std::int64_t kMaxDecodedPixels = 8 * base::kMaxPixels;
// Derived pictures within derived pictures; real files nest two deep (an identity over a grid).
constexpr int kMaxNesting = 8;

struct Extent {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;  // 0: to the end of the file or the idat box
};

struct Item {
    std::uint32_t type = 0;
    bool located = false;
    int method = 0;
    std::size_t firstExtent = 0, extentCount = 0;
    std::int64_t width = -1, height = -1;    // ispe; the largest when there are several
    bool turned = false;                     // irot of 90 or 270 degrees
    std::vector<std::uint32_t> inputs;       // dimg
    std::vector<std::uint32_t> auxiliaries;  // the items whose auxl names this one
};

struct Meta {
    std::uint32_t primary = 0;
    bool havePrimary = false;
    std::unordered_map<std::uint32_t, Item> items;
    std::vector<Extent> extents;
    std::size_t idat = 0, idatEnd = 0;
};

// Item locations. A location of zero-size fields costs no bytes, so a few bytes could claim
// thousands of extents: no more extents are taken than the box has bytes, and no item may claim
// more data than the file (or the idat box) holds.
void readLocations(const Boxes& b, const Boxes::Box& iloc, Meta& meta) {
    if (!b.has(iloc.body, 6, iloc.end)) return;
    const int version = b.data()[iloc.body];
    std::size_t p = iloc.body + 4;
    const int offsetSize = b.data()[p] >> 4, lengthSize = b.data()[p] & 15;
    const int baseSize = b.data()[p + 1] >> 4, indexSize = version >= 1 ? b.data()[p + 1] & 15 : 0;
    for (const int size : {offsetSize, lengthSize, baseSize, indexSize})
        if (size > 8) return;  // libheif refuses such a box
    p += 2;
    const int countBytes = version < 2 ? 2 : 4;
    if (!b.has(p, static_cast<std::size_t>(countBytes), iloc.end)) return;
    const std::uint64_t items = b.be(p, countBytes);
    p += static_cast<std::size_t>(countBytes);
    const std::size_t maxExtents = iloc.end - iloc.body;
    std::size_t claimed = 0;
    const int idBytes = version < 2 ? 2 : 4;
    const std::size_t head = static_cast<std::size_t>(idBytes) + (version >= 1 ? 2 : 0) + 2 +
                             static_cast<std::size_t>(baseSize) + 2;
    const std::size_t each = static_cast<std::size_t>(indexSize + offsetSize + lengthSize);
    for (std::uint64_t i = 0; i < items && b.has(p, head, iloc.end); ++i) {
        const auto id = static_cast<std::uint32_t>(b.be(p, idBytes));
        p += static_cast<std::size_t>(idBytes);
        const int method = version >= 1 ? static_cast<int>(b.be(p, 2) & 15) : 0;
        if (version >= 1) p += 2;
        p += 2;  // data reference index
        const std::uint64_t base = baseSize ? b.be(p, baseSize) : 0;
        p += static_cast<std::size_t>(baseSize);
        const auto count = static_cast<std::size_t>(b.be(p, 2));
        p += 2;
        if (count > maxExtents - claimed) throw base::Error(messages::heifLocationsBeyondFile());
        claimed += count;
        if (!b.has(p, each * count, iloc.end)) return;
        Item& item = meta.items[id];
        if (item.located) throw base::Error(messages::heifItemTwice());
        item.located = true;
        item.method = method;
        item.firstExtent = meta.extents.size();
        item.extentCount = count;
        for (std::size_t e = 0; e < count; ++e) {
            p += static_cast<std::size_t>(indexSize);
            const std::uint64_t offset = offsetSize ? b.be(p, offsetSize) : 0;
            p += static_cast<std::size_t>(offsetSize);
            const std::uint64_t length = lengthSize ? b.be(p, lengthSize) : 0;
            p += static_cast<std::size_t>(lengthSize);
            if (offset > UINT64_MAX - base) throw base::Error(messages::heifLocationsBeyondFile());
            meta.extents.push_back({base + offset, length});
        }
    }
}

// No item's extents may add up to more than the data they point into.
void checkLocations(const Meta& meta, std::size_t fileSize) {
    const std::uint64_t idatSize = meta.idatEnd - meta.idat;
    for (const auto& entry : meta.items) {
        const Item& item = entry.second;
        if (!item.located || item.method > 1) continue;
        const std::uint64_t available = item.method == 1 ? idatSize : fileSize;
        std::uint64_t total = 0;
        for (std::size_t e = 0; e < item.extentCount; ++e) {
            const Extent& extent = meta.extents[item.firstExtent + e];
            // What lies past the end is libheif's to refuse as cut short; overlapping extents
            // that read the same bytes again and again are refused here.
            const std::uint64_t rest = available - std::min(extent.offset, available);
            total += extent.length == 0 ? rest : std::min(extent.length, rest);
            if (total > available) throw base::Error(messages::heifLocationsBeyondFile());
        }
    }
}

// libheif takes as many boxes as the count says and one description of each item; where it could
// take another than this reading, the file is refused.
void readItemInfo(const Boxes& b, const Boxes::Box& iinf, Meta& meta) {
    const int version = b.data()[iinf.body];
    const std::size_t countBytes = version == 0 ? 2 : 4;
    if (!b.has(iinf.body + 4, countBytes, iinf.end)) return;
    const std::uint64_t count = b.be(iinf.body + 4, static_cast<int>(countBytes));
    Boxes::Box infe;
    std::uint64_t n = 0;
    for (std::size_t i = iinf.body + 4 + countBytes; n < count && b.box(i, iinf.end, infe);
         i = infe.end, ++n) {
        if (infe.type != fourcc("infe") || !b.has(infe.body, 4, infe.end)) continue;
        const int v = b.data()[infe.body];
        if (v < 2) continue;
        const int idBytes = v == 2 ? 2 : 4;
        const std::size_t p = infe.body + 4;
        if (!b.has(p, static_cast<std::size_t>(idBytes) + 6, infe.end)) continue;
        Item& item = meta.items[static_cast<std::uint32_t>(b.be(p, idBytes))];
        if (item.type != 0) throw base::Error(messages::heifItemTwice());
        item.type = static_cast<std::uint32_t>(b.be(p + idBytes + 2, 4));
    }
}

// libheif reads the references one after another by their contents, whatever sizes their boxes
// claim: a file where the two differ would be read one way here and another there, so it is refused.
void readReferences(const Boxes& b, const Boxes::Box& iref, Meta& meta) {
    const std::size_t idBytes = b.data()[iref.body] == 0 ? 2 : 4;
    const auto id = [&](std::size_t at) {
        return static_cast<std::uint32_t>(b.be(at, static_cast<int>(idBytes)));
    };
    Boxes::Box ref;
    for (std::size_t at = iref.body + 4; at < iref.end; at = ref.end) {
        if (!b.box(at, iref.end, ref) || !b.has(ref.body, idBytes + 2, ref.end))
            throw base::Error(messages::heifReferencesDamaged());
        std::size_t p = ref.body;
        const std::uint32_t from = id(p);
        const auto count = static_cast<std::size_t>(b.be(p + idBytes, 2));
        p += idBytes + 2;
        if (ref.end - p != count * idBytes) throw base::Error(messages::heifReferencesDamaged());
        for (std::size_t i = 0; i < count; ++i, p += idBytes) {
            if (ref.type == fourcc("dimg"))
                meta.items[from].inputs.push_back(id(p));
            else if (ref.type == fourcc("auxl"))
                meta.items[id(p)].auxiliaries.push_back(from);
        }
    }
}

// Sizes (ispe) and quarter turns (irot) of the items, through the property associations.
void readProperties(const Boxes& b, const Boxes::Box& iprp, Meta& meta) {
    Boxes::Box child, ipco, ipma;
    bool haveIpco = false, haveIpma = false;
    for (std::size_t at = iprp.body; b.box(at, iprp.end, child); at = child.end) {
        if (child.type == fourcc("ipco") && !haveIpco) ipco = child, haveIpco = true;
        if (child.type == fourcc("ipma") && !haveIpma) ipma = child, haveIpma = true;
    }
    if (!haveIpco || !haveIpma || !b.has(ipma.body, 8, ipma.end)) return;
    std::vector<Boxes::Box> properties;
    for (std::size_t at = ipco.body; b.box(at, ipco.end, child); at = child.end) properties.push_back(child);

    const int version = b.data()[ipma.body];
    const bool wide = (b.be(ipma.body + 1, 3) & 1) != 0;
    const std::size_t idBytes = version < 1 ? 2 : 4, indexBytes = wide ? 2 : 1;
    const std::uint64_t entries = b.be(ipma.body + 4, 4);
    std::size_t p = ipma.body + 8;
    for (std::uint64_t e = 0; e < entries && b.has(p, idBytes + 1, ipma.end); ++e) {
        Item& item = meta.items[static_cast<std::uint32_t>(b.be(p, static_cast<int>(idBytes)))];
        const std::size_t count = b.data()[p + idBytes];
        p += idBytes + 1;
        if (!b.has(p, count * indexBytes, ipma.end)) return;
        for (std::size_t a = 0; a < count; ++a, p += indexBytes) {
            const std::size_t index = wide ? b.be(p, 2) & 0x7FFF : b.data()[p] & 0x7F;
            if (index == 0 || index > properties.size()) continue;
            const Boxes::Box& property = properties[index - 1];
            if (property.type == fourcc("ispe") && b.has(property.body, 12, property.end)) {
                item.width = std::max(item.width, static_cast<std::int64_t>(b.be(property.body + 4, 4)));
                item.height = std::max(item.height, static_cast<std::int64_t>(b.be(property.body + 8, 4)));
            } else if (property.type == fourcc("irot") && b.has(property.body, 1, property.end)) {
                item.turned = (b.data()[property.body] & 1) != 0;
            }
        }
    }
}

// The first bytes (up to `wanted`) of an item's data, from the file or the idat box.
QByteArray itemBytes(const Boxes& b, const Meta& meta, const Item& item, std::size_t wanted) {
    QByteArray out;
    const std::size_t base = item.method == 1 ? meta.idat : 0;
    const std::size_t end = item.method == 1 ? meta.idatEnd : b.size();
    for (std::size_t i = 0; i < item.extentCount; ++i) {
        const Extent& e = meta.extents[item.firstExtent + i];
        if (e.offset > end - base) break;
        const std::size_t from = base + static_cast<std::size_t>(e.offset);
        std::size_t n =
            e.length == 0 || e.length > end - from ? end - from : static_cast<std::size_t>(e.length);
        n = std::min(n, wanted - static_cast<std::size_t>(out.size()));
        out.append(reinterpret_cast<const char*>(b.data() + from), static_cast<qsizetype>(n));
        if (static_cast<std::size_t>(out.size()) >= wanted) break;
    }
    return out;
}

// The walk from the primary item through derived pictures' inputs and every picture's auxiliaries
// (alpha, depth), each item's cost counted as often as the decode makes it.
class Walk {
public:
    Walk(const Boxes& b, const Meta& meta) : b_(b), meta_(meta) {}

    struct Result {
        std::int64_t pixels = 0;               // what making the item costs, inputs and auxiliaries included
        std::int64_t width = -1, height = -1;  // the picture it gives; -1 when not known
        bool alpha = false;                    // it, or a picture it is made of, has an auxiliary
    };

    Result visit(std::uint32_t id, int depth) {
        const auto found = meta_.items.find(id);
        if (found == meta_.items.end()) return {};  // libheif refuses the reference
        if (depth > kMaxNesting) throw base::Error(messages::heifNestedTooDeep(kMaxNesting));
        const auto known = done_.find(id);
        if (known != done_.end()) return known->second;
        if (!active_.insert(id).second) throw base::Error(messages::heifReferenceLoop());
        const Item& item = found->second;

        Result result;
        if (item.width >= 0 && item.height >= 0) base::checkSize(item.width, item.height);
        if (item.type == fourcc("grid")) {
            grid(item, depth, result);
        } else if (item.type == fourcc("iovl")) {
            overlay(item, depth, result);
        } else if (item.type == fourcc("iden")) {
            for (const std::uint32_t input : item.inputs) {
                const Result made = visitInput(input, depth + 1);
                add(result, made.pixels);
                result.alpha = result.alpha || made.alpha;
                if (result.width < 0) result.width = made.width, result.height = made.height;
            }
        } else {
            result.width = item.width;
            result.height = item.height;
            if (item.width >= 0 && item.height >= 0) add(result, item.width * item.height);
        }
        for (const std::uint32_t auxiliary : item.auxiliaries)
            add(result, visit(auxiliary, depth + 1).pixels);
        result.alpha = result.alpha || !item.auxiliaries.empty();
        if (item.turned) std::swap(result.width, result.height);
        active_.erase(id);
        done_[id] = result;
        return result;
    }

private:
    // libheif stops the program on an input it does not hold as a picture (an item of another type,
    // or none): the types it decodes.
    Result visitInput(std::uint32_t id, int depth) {
        const auto found = meta_.items.find(id);
        const std::uint32_t type = found == meta_.items.end() ? 0 : found->second.type;
        if (type != fourcc("hvc1") && type != fourcc("av01") && type != fourcc("grid") &&
            type != fourcc("iovl") && type != fourcc("iden"))
            throw base::Error(messages::heifInputNotPicture());
        return visit(id, depth);
    }

    static void add(Result& result, std::int64_t pixels) {
        // Each part is within the limit (or refused), so the sum cannot overflow.
        result.pixels += pixels;
        if (result.pixels > kMaxDecodedPixels)
            throw base::Error(messages::heifTooMuchWork(result.pixels, kMaxDecodedPixels));
    }

    // A derived picture's description as libheif reads it: not from another item, and with no
    // extent whose length (0: to the end) it might read otherwise.
    QByteArray description(const Item& item, std::size_t wanted) const {
        if (!item.located || item.method > 1) return {};
        for (std::size_t i = 0; i < item.extentCount; ++i)
            if (meta_.extents[item.firstExtent + i].length == 0) return {};
        return itemBytes(b_, meta_, item, wanted);
    }

    // version, flags, rows - 1, columns - 1, width, height; the sizes are 32 bits with flag 1, else 16.
    void grid(const Item& item, int depth, Result& result) {
        const QByteArray d = description(item, 12);
        const int bytes = d.size() >= 2 && (static_cast<std::uint8_t>(d[1]) & 1) ? 4 : 2;
        if (d.size() < 4 + 2 * bytes) throw base::Error(messages::heifDerivedUnreadable(gridWords()));
        const Boxes g(reinterpret_cast<const std::uint8_t*>(d.constData()),
                      static_cast<std::size_t>(d.size()));
        result.width = static_cast<std::int64_t>(g.be(4, bytes));
        result.height = static_cast<std::int64_t>(g.be(4 + static_cast<std::size_t>(bytes), bytes));
        base::checkSize(result.width, result.height);
        add(result, result.width * result.height);
        for (const std::uint32_t input : item.inputs) {
            const Result tile = visitInput(input, depth + 1);
            add(result, tile.pixels);
            result.alpha = result.alpha || tile.alpha;
        }
    }

    // version, flags, four fill values, width, height, then x and y of each layer (signed); the
    // sizes are 32 bits with flag 1, else 16. libheif draws a layer that leaves the canvas to the
    // left or top past its buffers, so every layer must lie wholly on it.
    void overlay(const Item& item, int depth, Result& result) {
        const QByteArray first = description(item, 2);
        const std::size_t bytes = first.size() >= 2 && (static_cast<std::uint8_t>(first[1]) & 1) ? 4 : 2;
        const std::size_t wanted = 10 + 2 * bytes * (1 + item.inputs.size());
        const QByteArray d = description(item, wanted);
        if (static_cast<std::size_t>(d.size()) < wanted)
            throw base::Error(messages::heifDerivedUnreadable(QStringLiteral("重ね合わせ画像の記述")));
        const Boxes o(reinterpret_cast<const std::uint8_t*>(d.constData()),
                      static_cast<std::size_t>(d.size()));
        const int n = static_cast<int>(bytes);
        const auto field = [&](std::size_t at) { return static_cast<std::int64_t>(o.be(at, n)); };
        const auto offset = [&](std::size_t at) {
            const std::int64_t v = field(at);
            return v >= (std::int64_t{1} << (8 * n - 1)) ? v - (std::int64_t{1} << (8 * n)) : v;
        };
        result.width = field(10);
        result.height = field(10 + bytes);
        base::checkSize(result.width, result.height);
        add(result, result.width * result.height);
        std::size_t at = 10 + 2 * bytes;
        for (const std::uint32_t input : item.inputs) {
            const Result layer = visitInput(input, depth + 1);
            add(result, layer.pixels);
            const std::int64_t x = offset(at), y = offset(at + bytes);
            at += 2 * bytes;
            // libheif blends a layer's alpha by the colour plane's row length: refused, whatever its size.
            if (layer.alpha) throw base::Error(messages::heifLayerWithAlpha());
            if (layer.width < 0 || layer.height < 0)
                throw base::Error(messages::heifDerivedUnreadable(QStringLiteral("重ねる画像の大きさ")));
            if (x < 0 || y < 0 || x + layer.width > result.width || y + layer.height > result.height)
                throw base::Error(
                    messages::heifLayerOutside(x, y, layer.width, layer.height, result.width, result.height));
        }
    }

    static QString gridWords() { return QStringLiteral("グリッド画像の記述"); }

    const Boxes& b_;
    const Meta& meta_;
    std::unordered_set<std::uint32_t> active_;
    std::unordered_map<std::uint32_t, Result> done_;
};

void checkItems(const QByteArray& file) {
    const Boxes b(reinterpret_cast<const std::uint8_t*>(file.constData()),
                  static_cast<std::size_t>(file.size()));
    Boxes::Box meta;
    std::size_t at = 0;
    for (;;) {
        if (!b.box(at, b.size(), meta)) return;
        if (meta.type == fourcc("meta")) break;
        at = meta.end;
    }
    Meta m;
    Boxes::Box child;
    bool seen[5] = {};  // the first of each box counts
    for (at = meta.body + 4; b.box(at, meta.end, child); at = child.end) {
        if (!b.has(child.body, 4, child.end)) continue;
        if (child.type == fourcc("pitm") && !seen[0]) {
            seen[0] = true;
            const int n = b.data()[child.body] == 0 ? 2 : 4;
            if (!b.has(child.body + 4, static_cast<std::size_t>(n), child.end)) return;
            m.primary = static_cast<std::uint32_t>(b.be(child.body + 4, n));
            m.havePrimary = true;
        } else if (child.type == fourcc("iinf") && !seen[1]) {
            seen[1] = true;
            readItemInfo(b, child, m);
        } else if (child.type == fourcc("iloc") && !seen[2]) {
            seen[2] = true;
            readLocations(b, child, m);
        } else if (child.type == fourcc("iref") && !seen[3]) {
            seen[3] = true;
            readReferences(b, child, m);
        } else if (child.type == fourcc("idat") && !seen[4]) {
            seen[4] = true;
            m.idat = child.body;
            m.idatEnd = child.end;
        } else if (child.type == fourcc("iprp")) {
            readProperties(b, child, m);
        }
    }
    checkLocations(m, b.size());
    if (!m.havePrimary) return;
    Walk(b, m).visit(m.primary, 0);
}

}  // namespace

Decoded decodeHeif(const QByteArray& data) {
    initialiseOnce();
    checkItems(data);
    const std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context) throw base::Error(messages::outOfMemory());
    // libheif refuses larger sides itself, before it allocates for them.
    heif_context_set_maximum_image_size_limit(context.get(), static_cast<int>(base::kMaxSide) + 1);
    heif_context_set_max_decoding_threads(context.get(), 0);
    check(heif_context_read_from_memory_without_copy(context.get(), data.constData(),
                                                     static_cast<std::size_t>(data.size()), nullptr));
    heif_image_handle* rawHandle = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &rawHandle));
    const std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);
    base::checkSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()));
    // Premultiplied colours are already the picture over black; only straight alpha needs drawing.
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0 &&
                       heif_image_handle_is_premultiplied_alpha(handle.get()) == 0;

    Decoded decoded;
    decoded.colour = colourOf(handle.get());
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    if (!options) throw base::Error(messages::outOfMemory());
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            options.get()));
    const std::unique_ptr<heif_image, ImageDeleter> image(rawImage);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    base::checkSize(width, height);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int channels = alpha ? 4 : 3;
    if (!plane || stride < width * channels ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8)
        throw base::Error(messages::heifUnsupported(QStringLiteral("interleaved RGB")));

    QImage picture =
        base::allocateImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = plane + static_cast<std::ptrdiff_t>(stride) * y;
        std::uint8_t* to = picture.scanLine(y);
        for (int x = 0; x < width; ++x, from += channels, to += channels) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            if (alpha) to[3] = from[3];
        }
    }
    decoded.picture = std::move(picture);
    return decoded;
}

}  // namespace codecs::detail
