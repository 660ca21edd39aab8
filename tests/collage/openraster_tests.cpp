#include <cstring>
#include <functional>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QPainter>
#include <QTemporaryDir>

#include "base/error.h"
#include "base/image.h"
#include "codecs/codecs.h"
#include "collage/openraster.h"
#include "collage/piece_table.h"
#include "collage/thumbnail.h"

namespace {

using collage::Piece;
using collage::PieceTable;

using Entries = std::vector<std::pair<QString, QByteArray>>;

// The archive's entries in order, read with libzip.
Entries entriesOf(const QByteArray& bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &error);
    zip_t* z = zip_open_from_source(source, ZIP_RDONLY, &error);
    EXPECT_NE(z, nullptr);
    Entries out;
    if (!z) return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
        QByteArray data(static_cast<qsizetype>(st.size), Qt::Uninitialized);
        zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
        EXPECT_EQ(zip_fread(f, data.data(), st.size), static_cast<zip_int64_t>(st.size));
        zip_fclose(f);
        out.emplace_back(QString::fromUtf8(st.name), data);
    }
    zip_discard(z);
    return out;
}

QByteArray entry(const Entries& e, const QString& name) {
    for (const auto& [n, d] : e)
        if (n == name) return d;
    ADD_FAILURE() << "no entry " << name.toStdString();
    return {};
}

// An archive written byte by byte, so that a test may lie in it: sizes, names, methods.
struct RawEntry {
    QString name;
    QByteArray data;
    bool deflate = false;
    qint64 declaredSize = -1;  // the uncompressed size the headers claim; -1: the real one
};

void put16(QByteArray& b, quint32 v) {
    b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
}
void put32(QByteArray& b, quint32 v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

QByteArray rawDeflate(const QByteArray& in) {
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&s, static_cast<uLong>(in.size()))),
                   Qt::Uninitialized);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
    s.avail_in = static_cast<uInt>(in.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.truncate(static_cast<qsizetype>(s.total_out));
    deflateEnd(&s);
    return out;
}

QByteArray rawZip(const std::vector<RawEntry>& entries) {
    QByteArray out, central;
    for (const RawEntry& e : entries) {
        const QByteArray name = e.name.toUtf8();
        const QByteArray stored = e.deflate ? rawDeflate(e.data) : e.data;
        const auto crc = static_cast<quint32>(
            crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()), static_cast<uInt>(e.data.size())));
        const auto size = static_cast<quint32>(e.declaredSize >= 0 ? e.declaredSize : e.data.size());
        const auto offset = static_cast<quint32>(out.size());
        auto header = [&](QByteArray& b, bool local) {
            put32(b, local ? 0x04034b50 : 0x02014b50);
            if (!local) put16(b, 20);
            put16(b, 20);
            put16(b, 0);
            put16(b, e.deflate ? 8 : 0);
            put16(b, 0);
            put16(b, 0x21);
            put32(b, crc);
            put32(b, static_cast<quint32>(stored.size()));
            put32(b, size);
            put16(b, static_cast<quint32>(name.size()));
            put16(b, 0);
            if (!local) {
                put16(b, 0);
                put16(b, 0);
                put16(b, 0);
                put32(b, 0);
                put32(b, offset);
            }
            b.append(name);
        };
        header(out, true);
        out.append(stored);
        header(central, false);
    }
    const auto at = static_cast<quint32>(out.size());
    out.append(central);
    put32(out, 0x06054b50);
    put32(out, 0);
    put16(out, static_cast<quint32>(entries.size()));
    put16(out, static_cast<quint32>(entries.size()));
    put32(out, static_cast<quint32>(central.size()));
    put32(out, at);
    put16(out, 0);
    return out;
}

std::vector<RawEntry> rawOf(const Entries& e) {
    std::vector<RawEntry> out;
    for (const auto& [n, d] : e) out.push_back({n, d, n == u"stack.xml"});
    return out;
}

// A picture of few colours, so that keys meet real pixels.
QImage speckled(std::mt19937& rng, int w, int h) {
    QImage p = base::makeBgr(w, h, base::rgb(200, 10, 10));
    const base::Colour colours[] = {base::rgb(0, 0, 0), base::rgb(255, 255, 255), base::rgb(10, 200, 30)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (rng() % 3 == 0) base::setPixel(p, x, y, colours[rng() % 3]);
    return p;
}

// A table reached by random edits: keys on and off, pasted pieces, edited and arranged
// pictures (whose thumbnails no longer follow the picture), both kinds of background.
PieceTable randomTable(std::mt19937& rng) {
    PieceTable t(QSize(300, 200), rng() % 2 == 0);
    const collage::Options options{false, false, 300};
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const int pieces = 1 + pick(6);
    for (int i = 0; i < pieces; ++i) {
        Piece p;
        p.picture = speckled(rng, 1 + pick(40), 1 + pick(30));
        if (pick(4) != 0) p.pieceFile = QStringLiteral("/photos/休日 %1.jpg").arg(i);
        if (pick(3) != 0) p.thumbnail = base::toBgr(p.picture.scaled(100, 100));
        t.add(std::move(p), options);
        if (pick(2)) {
            t.setTransparent(true);
            if (pick(2)) t.setTransColor(base::rgb(0, 0, 0));
        }
    }
    for (int step = 0; step < 4; ++step) {
        switch (pick(6)) {
            case 0:
                t.setAutoSize(false);
                t.setCanvasWidth(50 + pick(400), options);
                break;
            case 1:
                t.pick(pick(t.pieceCount()));
                t.typeLeft(pick(300) - 150, options);
                break;
            case 2: {
                const QImage edited = speckled(rng, 1 + pick(20), 1 + pick(20));
                t.replaceCurrent(edited, collage::editedThumbnail(edited), base::rgb(255, 255, 255), options);
                break;
            }
            case 3: {
                collage::Arrangement a;
                a.columns = 1 + pick(3);
                a.margin = pick(3);
                a.size = collage::SizeMode::OneHeight;
                a.target = 5 + pick(20);
                t.arrange(a, options);
                break;
            }
            case 4:
                t.setBackground(
                    {base::rgb(1, 2, 3), pick(2) ? speckled(rng, 1 + pick(9), 1 + pick(9)) : QImage()});
                break;
            default:
                t.pick(pick(t.pieceCount()));
        }
    }
    return t;
}

TEST(OpenRaster, SavedArrangementsOpenAsTheSameTableAndTheMergedPictureIsThePngSave) {
    std::mt19937 rng(20261209);
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        const PieceTable t = randomTable(rng);
        const QByteArray bytes = collage::encodeOpenRaster(t);
        const collage::OpenedArrangement back = collage::decodeOpenRaster(bytes, QStringLiteral("a.ora"));
        EXPECT_TRUE(back.notices.isEmpty());
        ASSERT_TRUE(back.table == t);
        const QImage composite = collage::composeTable(t);
        EXPECT_EQ(collage::composeTable(back.table), composite);

        const Entries e = entriesOf(bytes);
        EXPECT_EQ(entry(e, QStringLiteral("mergedimage.png")),
                  codecs::encode(composite, codecs::Format::Png));
        const QImage thumb =
            codecs::decode(entry(e, QStringLiteral("Thumbnails/thumbnail.png")), codecs::Format::Png);
        EXPECT_LE(std::max(thumb.width(), thumb.height()), 256);
        if (composite.width() <= 256 && composite.height() <= 256) {
            EXPECT_EQ(thumb.size(), composite.size());
        }
        // A painting program composes the layers over nothing: the bottom layer is the
        // background, each keyed pixel fully transparent, everything else opaque.
        QImage drawn(t.canvas(), QImage::Format_ARGB32);
        drawn.fill(Qt::transparent);
        {
            QPainter painter(&drawn);
            const QImage bottom = QImage::fromData(entry(e, QStringLiteral("data/background.png")));
            painter.drawImage(0, 0, bottom);
            for (int i = 0; i < t.pieceCount(); ++i) {
                const QImage layer = QImage::fromData(entry(e, QStringLiteral("data/piece-%1.png").arg(i)));
                painter.drawImage(t.pieceRect(i).left, t.pieceRect(i).top, layer);
            }
        }
        EXPECT_EQ(base::toBgr(drawn), composite);
    }
}

TEST(OpenRaster, TheMimeTypeComesFirstStoredWhereTypeDetectionLooks) {
    std::mt19937 rng(7);
    const QByteArray bytes = collage::encodeOpenRaster(randomTable(rng));
    ASSERT_GT(bytes.size(), 60);
    EXPECT_EQ(bytes.left(4), QByteArray("PK\x03\x04"));
    EXPECT_EQ(bytes[8], 0);   // stored
    EXPECT_EQ(bytes[28], 0);  // no extra field
    EXPECT_EQ(bytes[29], 0);
    EXPECT_EQ(bytes.mid(30, 8), QByteArray("mimetype"));
    EXPECT_EQ(bytes.mid(38, 16), QByteArray("image/openraster"));
    // The desktop's own detection, by content alone.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("no-extension")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    EXPECT_EQ(QMimeDatabase().mimeTypeForFile(file.fileName(), QMimeDatabase::MatchContent).name(),
              QStringLiteral("image/openraster"));
    const Entries e = entriesOf(bytes);
    ASSERT_GE(e.size(), 2u);
    EXPECT_EQ(e[1].first, QStringLiteral("stack.xml"));
    const QByteArray xml = e[1].second;
    EXPECT_TRUE(xml.contains("version=\"0.0.6\""));
}

TEST(OpenRaster, EncodingOnSeveralThreadsAtOnceGivesTheSameBytes) {
    std::mt19937 rng(11);
    const PieceTable t = randomTable(rng);
    const QByteArray first = collage::encodeOpenRaster(t);
    QByteArray a, b;
    std::thread one([&, copy = t] { a = collage::encodeOpenRaster(copy); });
    std::thread two([&, copy = t] { b = collage::encodeOpenRaster(copy); });
    one.join();
    two.join();
    // The zip's times may differ by a second: the pictures and the stack must not.
    EXPECT_EQ(entriesOf(a), entriesOf(first));
    EXPECT_EQ(entriesOf(b), entriesOf(first));
}

TEST(OpenRaster, SavingOverAnOldFileReplacesItAndAFailedSaveLeavesNothing) {
    QTemporaryDir dir;
    std::mt19937 rng(3);
    const PieceTable t = randomTable(rng);
    const QString path = dir.filePath(QStringLiteral("配置.ora"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    collage::saveOpenRaster(t, path);
    EXPECT_TRUE(collage::openOpenRaster(path).table == t);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("配置.ora")});
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/x.ora"));
    try {
        collage::saveOpenRaster(t, missing);
        FAIL() << "saved into a missing folder";
    } catch (const base::Error& e) {
        EXPECT_TRUE(e.text().contains(missing));
    }
}

// A painting program's file: nested stacks with their offsets, hidden layers and stacks, an
// opacity, a blend mode, a picture in another format and a layer far out.
TEST(OpenRaster, APaintingProgramsLayersBecomePiecesAndWhatIsLostIsNamedOnce) {
    auto png = [](int w, int h, QRgb c) {
        QImage i(w, h, QImage::Format_ARGB32);
        i.fill(c);
        i.setPixel(0, 0, qRgba(0, 0, 0, 0));
        QByteArray b;
        QBuffer buffer(&b);
        buffer.open(QIODevice::WriteOnly);
        i.save(&buffer, "PNG");
        return b;
    };
    const QByteArray xml = R"(<?xml version="1.0"?>
<image w="100" h="80" version="0.0.6">
 <stack>
  <layer src="data/top.png" name="上" x="5" y="6" opacity="0.5"/>
  <stack x="10" y="20" name="group">
   <layer src="data/inner.png" name="inner" x="1" y="2" composite-op="svg:multiply"/>
   <layer src="data/hidden.png" name="hidden" visibility="hidden"/>
   <stack visibility="hidden"><layer src="data/deep.png" name="deep"/></stack>
  </stack>
  <layer src="data/vector.svg" name="vector"/>
  <layer src="data/far.png" name="far" x="2000000000"/>
  <layer src="data/bottom.png" name="bottom" x="0" y="0"/>
 </stack>
</image>)";
    const QByteArray bytes = rawZip({{QStringLiteral("mimetype"), "image/openraster"},
                                     {QStringLiteral("stack.xml"), xml, true},
                                     {QStringLiteral("data/top.png"), png(3, 2, qRgb(255, 0, 0))},
                                     {QStringLiteral("data/inner.png"), png(4, 4, qRgb(0, 255, 0))},
                                     {QStringLiteral("data/bottom.png"), png(100, 80, qRgb(0, 0, 255))},
                                     {QStringLiteral("data/vector.svg"), "<svg/>"},
                                     {QStringLiteral("data/far.png"), png(1, 1, qRgb(1, 1, 1))},
                                     {QStringLiteral("Thumbnails/thumbnail.png"), png(1, 1, qRgb(1, 1, 1))}});
    const collage::OpenedArrangement o = collage::decodeOpenRaster(bytes, QStringLiteral("絵.ora"));
    const PieceTable& t = o.table;
    ASSERT_EQ(t.pieceCount(), 3);
    EXPECT_EQ(t.canvas(), QSize(100, 80));
    EXPECT_FALSE(t.autoSize());
    EXPECT_EQ(t.pickIndex(), 2);
    EXPECT_EQ(t.piece(0).pieceFile, QStringLiteral("bottom"));
    EXPECT_EQ(t.pieceRect(1), (collage::Rect{11, 22, 4, 4}));
    EXPECT_EQ(t.pieceRect(2), (collage::Rect{5, 6, 3, 2}));
    // Alpha drawn over black, as for a PNG piece.
    EXPECT_EQ(base::pixelAt(t.piece(2).picture, 0, 0), base::rgb(0, 0, 0));
    EXPECT_EQ(base::pixelAt(t.piece(2).picture, 1, 0), base::rgb(255, 0, 0));
    EXPECT_FALSE(t.piece(2).transparent);
    ASSERT_EQ(o.notices.size(), 1);
    for (const char* named : {"上", "0.5", "inner", "svg:multiply", "vector", "far", "透明"})
        EXPECT_TRUE(o.notices[0].contains(QString::fromUtf8(named))) << named;
    EXPECT_FALSE(o.notices[0].contains(QStringLiteral("hidden")));
}

// Files that must be refused, each built here. Every refusal names the file and its reason.
TEST(OpenRaster, BadFilesAreRefusedWithTheFileAndTheReason) {
    std::mt19937 rng(5);
    PieceTable t(QSize(10, 10), false);
    const collage::Options options{false, false, 100};
    for (int i = 0; i < 2; ++i) {
        Piece p;
        p.picture = speckled(rng, 8, 6);
        t.add(std::move(p), options);
    }
    const Entries good = entriesOf(collage::encodeOpenRaster(t));
    const QByteArray xml = entry(good, QStringLiteral("stack.xml"));
    auto with = [&](const std::function<void(std::vector<RawEntry>&)>& change) {
        std::vector<RawEntry> e = rawOf(good);
        change(e);
        return rawZip(e);
    };
    auto replaced = [&](const char* from, const QByteArray& to) {
        return with([&](std::vector<RawEntry>& e) { e[1].data = QByteArray(xml).replace(from, to); });
    };
    auto layers = [&](int n) {
        QByteArray x = "<image w=\"10\" h=\"10\"><stack>";
        for (int i = 0; i < n; ++i) x += "<layer src=\"data/piece-0.png\"/>";
        return with([&](std::vector<RawEntry>& e) { e[1].data = x + "</stack></image>"; });
    };
    QByteArray pngHeader = entry(good, QStringLiteral("data/piece-0.png"));
    QByteArray huge = pngHeader.left(33);
    huge[16] = 0, huge[17] = 0, huge[18] = 0x4e, huge[19] = 0x20;  // 20000 wide
    huge[20] = 0, huge[21] = 0, huge[22] = 0x4e, huge[23] = 0x20;
    // Seventeen layers, each within the budget, together over what a document may hold.
    QByteArray budget = huge;
    budget[18] = 0x40, budget[19] = 0, budget[22] = 0x20, budget[23] = 0;  // 16384 x 8192
    std::vector<RawEntry> manyLarge{{QStringLiteral("mimetype"), "image/openraster"},
                                    {QStringLiteral("stack.xml"), {}}};
    QByteArray manyXml = "<image w=\"10\" h=\"10\"><stack>";
    for (int i = 0; i < 17; ++i) {
        manyXml += QStringLiteral("<layer src=\"data/%1.png\"/>").arg(i).toUtf8();
        manyLarge.push_back({QStringLiteral("data/%1.png").arg(i), budget});
    }
    manyLarge[1].data = manyXml + "</stack></image>";
    QByteArray damaged = pngHeader;
    for (qsizetype i = 40; i < damaged.size() - 12; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    const QByteArray zeros(2 << 20, '\0');

    const struct Case {
        const char* what;
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {"not a zip", QByteArray(500, 'x'), "zip"},
        {"truncated", rawZip(rawOf(good)).left(300), "zip"},
        {"no mimetype", with([](auto& e) { e.erase(e.begin()); }), "mimetype"},
        {"wrong mimetype", with([](auto& e) { e[0].data = "image/png"; }), "mimetype"},
        {"parent folder", with([](auto& e) {
             e.push_back({QStringLiteral("../evil.png"), "x"});
         }),
         "../evil.png"},
        {"absolute name", with([](auto& e) {
             e.push_back({QStringLiteral("/tmp/evil.png"), "x"});
         }),
         "/tmp/evil"},
        {"duplicate", with([](auto& e) { e.push_back(e[2]); }), "同じ名前"},
        {"missing layer", with([](auto& e) { e.erase(e.begin() + 2); }), "data/piece-"},
        {"extra entry", with([](auto& e) {
             e.push_back({QStringLiteral("data/extra.png"), "x"});
         }),
         "data/extra.png"},
        {"declared smaller than real", with([](auto& e) { e[1].declaredSize = 20; }), "stack.xml"},
        {"declared huge", with([](auto& e) { e[1].declaredSize = 0xFFFFFFF0; }), "stack.xml"},
        {"bomb ratio", with([&](auto& e) {
             e.push_back({QStringLiteral("data/bomb.png"), zeros, true});
         }),
         "data/bomb.png"},
        {"enormous stack", replaced("<stack>", "<stack>" + QByteArray(2 << 20, ' ')), "stack.xml"},
        {"entity",
         replaced("<image",
                  "<!DOCTYPE image [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><image"),
         "DTD"},
        {"100 000 layers", layers(100000), "stack.xml"},
        {"300 layers", layers(300), "255"},
        {"layer over budget", with([&](auto& e) { e[2].data = huge; }), "20000"},
        {"layers together over the budget", rawZip(manyLarge), "2281701376"},
        {"damaged png", with([&](auto& e) { e[2].data = damaged; }), "data/piece-"},
        {"position", replaced("x=\"8\"", "x=\"1073741825\""), "1073741825"},
        {"canvas", replaced("w=\"10\"", "w=\"70000\""), "70000"},
        {"newer", replaced("kadrel:format=\"1\"", "kadrel:format=\"9\""), "9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = QStringLiteral("悪い %1.ora").arg(QString::fromLatin1(c.what));
        try {
            collage::decodeOpenRaster(c.bytes, name);
            ADD_FAILURE() << "opened";
        } catch (const base::Error& e) {
            EXPECT_TRUE(e.text().contains(name)) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.reason))) << e.text().toStdString();
        }
    }
    // The same entries untouched open.
    EXPECT_TRUE(collage::decodeOpenRaster(rawZip(rawOf(good)), QStringLiteral("x.ora")).table == t);
}

}  // namespace
