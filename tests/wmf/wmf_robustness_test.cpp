// Broken and hostile metafiles: truncated, with corrupt sizes and counts, unknown records,
// absurd nesting. Each gives Ok or Malformed and never reads outside the data (run these under
// AddressSanitizer too).
#include "wmf/wmftestdata.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <random>

using namespace wmftest;

namespace {

const QStringList& allFiles() {
    static const QStringList files{
        "inkscape-shapes.wmf",      "inkscape-bitmap32.wmf",   "libreoffice-shapes.wmf",
        "libreoffice-text.wmf",     "libreoffice-fonts.wmf",   "libreoffice-textarray.wmf",
        "libreoffice-bitmap24.wmf", "libreoffice-bitmap8.wmf", "libreoffice-bitmap1.wmf",
        "nonplaceable-shapes.wmf",
    };
    return files;
}

const QSize Small(40, 20); // keeps the many renders below quick

WmfResult renderSmall(const QByteArray& data) {
    WmfResult result;
    render(data, Small, &result);
    return result;
}

bool atRecordBoundary(const QByteArray& data, int length) {
    for (const RecordAt& record : recordsOf(data))
        if (record.offset == length)
            return true;
    return false;
}

TEST(WmfRobustness, TruncationAtBoundariesAndInsideRecords) {
    std::mt19937 random(20240607);
    for (const QString& file : allFiles()) {
        const QByteArray data = loadWmf(file);
        std::vector<int> cuts;
        for (const RecordAt& record : recordsOf(data))
            cuts.push_back(record.offset); // a file ending cleanly before this record
        for (int i = 0; i < 25; ++i)
            cuts.push_back(int(random() % std::uint32_t(data.size())));
        for (int cut : cuts) {
            const QByteArray part = data.left(cut);
            QSize size;
            const WmfResult measured = measure(part, size);
            const WmfResult rendered = renderSmall(part);
            SCOPED_TRACE(file.toStdString() + " cut at " + std::to_string(cut));
            const int headers = data.startsWith("\xD7\xCD\xC6\x9A") ? 40 : 18;
            if (cut < headers || !atRecordBoundary(data, cut)) {
                EXPECT_NE(rendered, WmfResult::Ok); // a header or a record cut short
            } else {
                EXPECT_EQ(rendered, WmfResult::Ok); // ends without its end record: tolerated
                EXPECT_TRUE(measured == WmfResult::Ok || measured == WmfResult::Malformed);
            }
        }
    }
}

TEST(WmfRobustness, CorruptRecordSizes) {
    for (const QString& file : {QString("inkscape-shapes.wmf"), QString("libreoffice-text.wmf")}) {
        const QByteArray data = loadWmf(file);
        for (const RecordAt& record : recordsOf(data)) {
            for (std::uint32_t words : {0u, 1u, 2u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
                QByteArray bad = data;
                setU32(bad, record.offset, words);
                QSize size;
                EXPECT_EQ(measure(bad, size), WmfResult::Malformed) << record.offset;
                EXPECT_EQ(renderSmall(bad), WmfResult::Malformed) << record.offset;
            }
            // One word too many misaligns the rest: whatever follows must be survived.
            QByteArray shifted = data;
            setU32(shifted, record.offset, std::uint32_t(record.words + 1));
            const WmfResult result = renderSmall(shifted);
            EXPECT_TRUE(result == WmfResult::Ok || result == WmfResult::Malformed);
        }
    }
}

TEST(WmfRobustness, CountsBeyondTheRecordAreMalformed) {
    QByteArray polygon = loadWmf("inkscape-shapes.wmf");
    setU16(polygon, findRecord(polygon, 0x0324).offset + 6, 32767); // points in the polygon
    QByteArray polygons = loadWmf("libreoffice-shapes.wmf");
    setU16(polygons, findRecord(polygons, 0x0538).offset + 6, 65535); // polygons
    QByteArray points = loadWmf("libreoffice-shapes.wmf");
    setU16(points, findRecord(points, 0x0538).offset + 8, 65535); // points of the first
    QByteArray text = loadWmf("libreoffice-text.wmf");
    setU16(text, findRecord(text, 0x0521).offset + 6, 30000); // characters
    QByteArray dib = loadWmf("libreoffice-bitmap24.wmf");
    setU32(dib, findRecord(dib, 0x0F43).offset + 6 + 22 + 4, 0x7FFFFFFF); // bitmap width
    for (const QByteArray& bad : {polygon, polygons, points, text, dib})
        EXPECT_EQ(renderSmall(bad), WmfResult::Malformed);
}

TEST(WmfRobustness, UnknownRecordsAreSkipped) {
    const QByteArray data = loadWmf("libreoffice-shapes.wmf");
    const QImage plain = render(data, QSize(189, 89));
    QByteArray padded = data;
    const std::vector<RecordAt> records = recordsOf(data);
    // Before every other record, from the last so that the offsets stay valid.
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        padded.insert(it->offset, recordBytes(0x0FFE, {1, 2, 3, 0xFFFF}));
    WmfResult result;
    const QImage image = render(padded, QSize(189, 89), &result);
    EXPECT_EQ(result, WmfResult::Ok);
    EXPECT_EQ(image, plain);
}

TEST(WmfRobustness, DeepSaveAndRestoreBeyondTheStack) {
    const QByteArray data = loadWmf("inkscape-shapes.wmf");
    const QImage plain = render(data, QSize(200, 100));
    const int first = recordsOf(data).front().offset;
    QByteArray saves;
    for (int i = 0; i < 20000; ++i)
        saves += recordBytes(0x001E, {});
    saves += recordBytes(0x0127, {std::uint16_t(-30000)}); // further back than anything saved
    saves += recordBytes(0x0127, {25000});                 // a depth that was never kept
    saves += recordBytes(0x0127, {0});
    WmfResult result;
    const QImage nested = render(insertedAt(data, first, saves), QSize(200, 100), &result);
    EXPECT_EQ(result, WmfResult::Ok);
    EXPECT_EQ(nested, plain);

    // Restoring more levels than were saved, at the start, changes nothing either.
    const QByteArray restores = recordBytes(0x0127, {std::uint16_t(-1)}) +
                                recordBytes(0x0127, {std::uint16_t(-100)}) +
                                recordBytes(0x0127, {3});
    EXPECT_EQ(render(insertedAt(data, first, restores), QSize(200, 100)), plain);
}

TEST(WmfRobustness, ObjectCountInTheHeaderIsOnlyAHint) {
    const QByteArray data = loadWmf("libreoffice-shapes.wmf");
    const QImage plain = render(data, QSize(189, 89));
    for (std::uint16_t count : {std::uint16_t(0), std::uint16_t(1), std::uint16_t(65535)}) {
        QByteArray edited = data;
        setU16(edited, 22 + 10, count);
        WmfResult result;
        EXPECT_EQ(render(edited, QSize(189, 89), &result), plain) << count;
        EXPECT_EQ(result, WmfResult::Ok);
    }
}

TEST(WmfRobustness, RandomlyCorruptedBytes) {
    std::mt19937 random(77);
    for (const QString& file : allFiles()) {
        const QByteArray data = loadWmf(file);
        for (int round = 0; round < 30; ++round) {
            QByteArray bad = data;
            for (int i = 0; i < 4; ++i)
                bad[int(random() % std::uint32_t(bad.size()))] = char(random());
            SCOPED_TRACE(file.toStdString() + " round " + std::to_string(round));
            QSize size;
            const WmfResult measured = measure(bad, size);
            EXPECT_TRUE(measured != WmfResult::Ok || (size.width() > 0 && size.height() > 0));
            // Measuring and playing read the same headers and record framing: they agree on
            // whether this is a metafile at all, and a file whose framing is broken fails both.
            WmfResult first, second;
            const QImage once = render(bad, Small, &first);
            const QImage again = render(bad, Small, &second);
            EXPECT_EQ(first == WmfResult::NotWmf, measured == WmfResult::NotWmf);
            // Playback depends on nothing but the data: no uninitialised state reaches pixels.
            EXPECT_EQ(first, second);
            EXPECT_EQ(once, again);
        }
    }
}

// Drawing is weighed before anything is drawn: a metafile whose records would keep the
// rasterizer busy for minutes (a star of thousands of crossing edges, tens of thousands of
// rectangles over the whole picture) answers TooMuchWork at once and leaves the target as it
// was; as much drawing at a sensible scale plays.
TEST(WmfRobustness, DrawingWorkIsWeighedBeforeAnythingIsDrawn) {
    const auto rectangles = [](int count) {
        QByteArray records;
        const QByteArray one = recordBytes(0x041B, {1000, 1000, 0, 0});
        for (int i = 0; i < count; ++i)
            records += one;
        return records;
    };
    const struct {
        const char* name;
        QByteArray records;
        QSize target;
        WmfResult expected;
    } cases[] = {
        {"a star of 16 000 points", starPolygon(16000, 1000), {1000, 1000}, WmfResult::TooMuchWork},
        {"the star on a thumbnail", starPolygon(16000, 1000), {96, 96}, WmfResult::TooMuchWork},
        {"70 000 rectangles over everything",
         rectangles(70000),
         {1000, 1000},
         WmfResult::TooMuchWork},
        {"a star of 400 points", starPolygon(400, 1000), {1000, 1000}, WmfResult::Ok},
        {"500 rectangles over everything", rectangles(500), {1000, 1000}, WmfResult::Ok},
        {"10 000 rectangles on a thumbnail", rectangles(10000), {96, 96}, WmfResult::Ok},
    };
    for (const auto& c : cases) {
        WmfResult result = WmfResult::Ok;
        const QImage drawn =
            render(placeableMetafile({1000, 1000}, 96, c.records), c.target, &result);
        EXPECT_EQ(result, c.expected) << c.name;
        EXPECT_EQ(isTransparentAt(drawn, 0.5, 0.5), c.expected != WmfResult::Ok) << c.name;
    }
}

} // namespace
