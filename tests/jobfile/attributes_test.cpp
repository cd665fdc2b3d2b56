// The attributes of an entry: numbers, keywords, names in any case, defaults and the size rule.
#include "jobfile/entryattributes.h"
#include "jobfile/jobfilefixture.h"

#include <limits>
#include <sys/stat.h>

namespace pix {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(JobFileNumbers, ReadAsAtoiReadsThemSaturatingAt32Bits) {
    const struct {
        const char* text;
        std::int32_t expected;
    } cases[] = {
        {"42", 42},
        {" \t\n\v\f\r-17px", -17},
        {"+5", 5},
        {"abc", 0},
        {"- 5", 0},
        {"12 34", 12},
        {"", 0},
        {"2147483647", kMax},
        {"2147483648", kMax},
        {"-2147483648", kMin},
        {"-2147483649", kMin},
        {"000000000000000000000000000007", 7},
        {"99999999999999999999999", kMax},
        {"\u00A012", 0},     // a no-break space is not a C blank
        {"\uFF11\uFF12", 0}, // nor are full-width digits digits
    };
    for (const auto& c : cases)
        EXPECT_EQ(atoiValue(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(JobFileFormats, FromTheLastExtensionOfTheName) {
    const struct {
        const char* name;
        std::int32_t expected;
    } cases[] = {
        {"a.jpg", kFormatJpg},        {"a.b.PNG", kFormatPng},   {"photo.GIF", kFormatGif},
        {"a.Tif", kFormatTiff},       {"a.tiff", kFormatTiff},   {"a.jpeg", kFormatJpg},
        {"a.jpe", kFormatBitmap},     {"a.WebP", kFormatWebp},   {"a.avif", kFormatAvif},
        {"a.jxl", kFormatJxl},        {"a.heic", kFormatBitmap}, // read, never written
        {"a.jpg.txt", kFormatBitmap}, {"noext", kFormatBitmap},  {"a.", kFormatBitmap},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatFromName(QString::fromUtf8(c.name)), c.expected) << c.name;
}

class EntryAttributes : public test::JobFileTest {
protected:
    void SetUp() override {
        picture(QStringLiteral("p.png"), 40, 30);
        picture(QStringLiteral("photo.GIF"), 40, 30);
        picture(QStringLiteral("noext"), 40, 30);
        textFile(QStringLiteral("broken.png"), "not a picture");
    }

    // The one item an image entry with these attributes makes, or none.
    const JobItem* loadImage(const QString& attributes) {
        list.RemoveAll();
        EXPECT_TRUE(load("<image " + attributes + "/>"));
        EXPECT_LE(list.rowCount(), 1);
        return list.itemAt(0);
    }
};

TEST_F(EntryAttributes, EachAttributeStoresItsField) {
    const struct {
        const char* attributes; // after path="$D" and, unless one is given, name="p.png"
        std::int32_t JobOutput::*field;
        std::int32_t expected;
    } cases[] = {
        {"", &JobOutput::width, 40},
        {"", &JobOutput::height, 30},
        {"", &JobOutput::quality, 80},
        {"", &JobOutput::formatCode, kFormatPng},
        {"QUALITY=\"150\"", &JobOutput::quality, 150},
        {"quality=\"\"", &JobOutput::quality, 80},
        {"Quality=\" +12abc\"", &JobOutput::quality, 12},
        {"quality=\"10\" QUALITY=\"20\"", &JobOutput::quality, 20},
        {"quality=\"10\" QUALITY=\"\"", &JobOutput::quality, 10},
        {"outputformat=\"JPG\"", &JobOutput::formatCode, kFormatJpg},
        {"OutputFormat=\"gif\"", &JobOutput::formatCode, kFormatGif},
        {"outputformat=\"Tif\"", &JobOutput::formatCode, kFormatTiff},
        {"outputformat=\"bmp\"", &JobOutput::formatCode, kFormatBitmap},
        {"outputformat=\"jpeg\" name=\"photo.GIF\"", &JobOutput::formatCode, kFormatJpg},
        {"outputformat=\"TIFF\"", &JobOutput::formatCode, kFormatTiff},
        {"outputformat=\"webp\"", &JobOutput::formatCode, kFormatWebp},
        {"outputformat=\"AVIF\"", &JobOutput::formatCode, kFormatAvif},
        {"outputformat=\"jxl\"", &JobOutput::formatCode, kFormatJxl},
        {"outputformat=\"heic\" name=\"photo.GIF\"", &JobOutput::formatCode, kFormatGif},
        {"outputformat=\"png\" name=\"noext\"", &JobOutput::formatCode, kFormatPng},
        {"name=\"noext\"", &JobOutput::formatCode, kFormatBitmap},
        {"mirror=\"1\"", &JobOutput::mirror, 1},
        {"mirror=\"7\"", &JobOutput::mirror, 1},
        {"mirror=\"0\"", &JobOutput::mirror, 0},
        {"mirror=\"-1\"", &JobOutput::mirror, 0},
        {"mirror=\"yes\"", &JobOutput::mirror, 0},
        {"overwrite=\"3\"", &JobOutput::overwrite, 3},
        {"StartNumber=\"-7\"", &JobOutput::startNumber, -7},
        {"includesubfolders=\"2\"", &JobOutput::includeSubfolders, 2},
        {"colour=\"red\" quality=\"60\"", &JobOutput::quality, 60},
        {"rotate=\"180\"", &JobOutput::width, 40},
        {"rotate=\"90\"", &JobOutput::width, 30},
        {"rotate=\"270\"", &JobOutput::height, 40},
        {"rotate=\"-90\"", &JobOutput::width, 40},
        {"width=\"640\" height=\"480\" rotate=\"90\"", &JobOutput::width, 480},
        {"width=\"640\" height=\"480\" rotate=\"90\"", &JobOutput::height, 640},
        {"width=\"640\"", &JobOutput::height, 30},
        {"height=\"12\"", &JobOutput::width, 40},
        {"width=\"1000000000\" height=\"7\"", &JobOutput::width, 1000000000},
        {"width=\"99999999999\" height=\"7\"", &JobOutput::width, kMax},
        {"width=\"5\" height=\"5\" name=\"broken.png\"", &JobOutput::width, 5},
    };
    for (const auto& c : cases) {
        QString attributes = QString::fromUtf8(c.attributes);
        if (!attributes.contains(QLatin1String("name=")))
            attributes += QStringLiteral(" name=\"p.png\"");
        const JobItem* item = loadImage("path=\"$D\" " + attributes);
        ASSERT_NE(item, nullptr) << c.attributes;
        EXPECT_EQ(item->output.*c.field, c.expected) << c.attributes;
    }
}

// The resize modes on a landscape and a portrait picture, and values that cannot be used: a
// note says so and the picture keeps its size.
TEST_F(EntryAttributes, ResizeModes) {
    picture(QStringLiteral("wide.png"), 400, 300);
    picture(QStringLiteral("tall.png"), 300, 400);
    const struct {
        const char* attributes; // after path="$D"
        QSize size;
        const char* note;
    } cases[] = {
        {R"(name="wide.png" resize="long" size="200")", {200, 150}, ""},
        {R"(name="tall.png" RESIZE="LONG" SIZE="200")", {150, 200}, ""},
        {R"(name="wide.png" resize="long" size="200" rotate="90")", {150, 200}, ""},
        {R"(name="tall.png" resize="fit" width="200" height="200")", {150, 200}, ""},
        {R"(name="wide.png" resize="fit" width="200" height="100" rotate="270")", {100, 133}, ""},
        {R"(name="wide.png" resize="percent" percent="50")", {200, 150}, ""},
        {R"(name="wide.png" width="800" height="600" shrinkonly="1")", {400, 300}, ""},
        {R"(name="wide.png" resize="exact" width="200" height="100" shrinkonly="1")",
         {200, 100},
         ""},
        {R"(name="tall.png" width="800" height="800" constrain="1")", {600, 800}, ""},
        {R"(name="wide.png" resize="long")", {400, 300}, R"(resize "long" needs a size)"},
        {R"(name="wide.png" resize="long" size="-3")", {400, 300}, R"(size "-3" is not above 0)"},
        {R"(name="wide.png" resize="percent" percent="0")",
         {400, 300},
         R"(percent "0" is not 1 to 1000)"},
        {R"(name="wide.png" resize="fit" width="200")",
         {400, 300},
         R"(resize "fit" needs a width and a height above 0)"},
        {R"(name="wide.png" resize="stretch" width="10" height="10")",
         {400, 300},
         R"(resize "stretch" is not exact, fit, long or percent; the picture keeps its size)"},
        {R"(name="wide.png" size="300" width="50" height="50")",
         {50, 50},
         R"(size is used only with resize="long"; it is ignored)"},
    };
    for (const auto& c : cases) {
        QStringList notes;
        JobFileOptions options;
        options.note = [&notes](const JobFileNote& note) { notes << note.text; };
        list.RemoveAll();
        ASSERT_TRUE(loadDocument(QStringLiteral("<job><image path=\"$D\" %1/></job>")
                                     .arg(QString::fromUtf8(c.attributes)),
                                 options));
        ASSERT_EQ(list.rowCount(), 1) << c.attributes;
        EXPECT_EQ(QSize(item(0).output.width, item(0).output.height), c.size) << c.attributes;
        const QString note = QString::fromUtf8(c.note);
        EXPECT_EQ(notes.size(), note.isEmpty() ? 0 : 1) << c.attributes;
        EXPECT_TRUE(note.isEmpty() || notes.value(0).contains(note))
            << notes.value(0).toStdString();
    }
}

TEST_F(EntryAttributes, APresetAppliesFirstAndTheEntryOverridesIt) {
    QStringList looked;
    QStringList notes;
    JobFileOptions options;
    options.note = [&notes](const JobFileNote& note) { notes << note.text; };
    options.presets = [&looked](const QString& name, QString* why) -> std::optional<AttributeList> {
        looked << name;
        if (name == "web")
            return AttributeList{{"outputformat", "gif"}, {"quality", "55"}, {"prefix", "w"}};
        *why = "there is no such preset";
        return std::nullopt;
    };
    ASSERT_TRUE(loadDocument(R"(<job>
        <image path="$D" name="p.png" preset="web" quality="90" PREFIX=""/>
        <image path="$D" name="p.png" preset="none" quality="90"/>
        <image path="$D" name="p.png" preset=""/>
    </job>)",
                             options));
    EXPECT_EQ(looked, QStringList({"web", "none"})) << "an empty preset names none";
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(item(0).output.formatCode, kFormatGif);
    EXPECT_EQ(item(0).output.quality, 90);
    EXPECT_EQ(item(0).output.prefix, "w") << "an empty attribute counts as absent";
    EXPECT_EQ(item(1).output.formatCode, kFormatPng);
    EXPECT_EQ(notes, QStringList{QStringLiteral("image \"%1/p.png\": preset \"none\": there is "
                                                "no such preset; the entry adds nothing")
                                     .arg(dir.path())});
}

TEST_F(EntryAttributes, ColourAndMetadataChoices) {
    const struct {
        const char* attributes;
        ColourChoice colour;
        MetadataChoice metadata;
    } cases[] = {
        {"", ColourChoice::KeepProfile, MetadataChoice::KeepAll},
        {"colour=\"SRGB\" metadata=\"strip\"", ColourChoice::ConvertToSrgb,
         MetadataChoice::RemoveAll},
        {"Colour=\"keep\" METADATA=\"NoLocation\"", ColourChoice::KeepProfile,
         MetadataChoice::RemoveLocation},
        {"colour=\"srgb\" colour=\"cmyk\" metadata=\"strip\" metadata=\"all\"",
         ColourChoice::KeepProfile, MetadataChoice::KeepAll},
        {"colour=\"\" metadata=\"\"", ColourChoice::KeepProfile, MetadataChoice::KeepAll},
    };
    for (const auto& c : cases) {
        const JobItem* item =
            loadImage(QStringLiteral("path=\"$D\" name=\"p.png\" ") + c.attributes);
        ASSERT_NE(item, nullptr) << c.attributes;
        EXPECT_EQ(item->output.colour, c.colour) << c.attributes;
        EXPECT_EQ(item->output.metadata, c.metadata) << c.attributes;
    }
}

TEST_F(EntryAttributes, ItemOfAnImageEntry) {
    const JobItem* item = loadImage(R"(Path="$D" NAME="p.png" outputfolder="/out/" prefix="x")");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(list.rowName(0), "p.png");
    EXPECT_EQ(item->source.folder, dir.path());
    EXPECT_TRUE(item->source.fileName.isEmpty());
    EXPECT_EQ(item->source.formatCode, kFormatRemainOriginal);
    EXPECT_EQ(QSize(item->source.width, item->source.height), QSize(40, 30));
    EXPECT_EQ(item->output.fileName, "p.png");
    EXPECT_EQ(item->output.folder, "/out");
    EXPECT_EQ(item->output.prefix, "x");

    // Given both sides, the picture is not measured.
    item = loadImage(R"(path="$D" name="p.png" width="640" height="480")");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(QSize(item->source.width, item->source.height), QSize(0, 0));
}

TEST_F(EntryAttributes, OneTrailingSeparatorIsCut) {
    const struct {
        const char* attributes;
        QString sourceFolder;
        QString outputFolder;
    } cases[] = {
        {"path=\"$D\"", dir.path(), dir.path()},
        {"path=\"$D/\"", dir.path(), dir.path()},
        {"path=\"$D//\"", dir.path() + "/", dir.path() + "/"},
        {"path=\"$D/\" outputfolder=\"/\"", dir.path(), "/"},
        {"path=\"$D\" outputfolder=\"/o//\"", dir.path(), "/o/"},
    };
    for (const auto& c : cases) {
        const JobItem* item = loadImage(QString::fromUtf8(c.attributes) + " name=\"p.png\"");
        ASSERT_NE(item, nullptr) << c.attributes;
        EXPECT_EQ(item->source.folder, c.sourceFolder) << c.attributes;
        EXPECT_EQ(item->output.folder, c.outputFolder) << c.attributes;
    }
}

TEST_F(EntryAttributes, EntriesThatAddNothing) {
    ASSERT_EQ(mkfifo(QFile::encodeName(path("fifo.png")).constData(), 0600), 0);
    for (const char* attributes : {
             R"(path="$D" name="p.png" width="-5" height="100")",
             R"(path="$D" name="p.png" width="0" height="-1")",
             R"(path="$D" name="missing.png" width="5" height="5")",
             R"(path="$D" name="broken.png")", R"(path="$D" width="5" height="5")",
             R"(path="$D/missing" name="p.png")",
             R"(path="$D" name="fifo.png")", // must not block
         }) {
        EXPECT_EQ(loadImage(QString::fromUtf8(attributes)), nullptr) << attributes;
    }
    EXPECT_TRUE(prompt.messages.isEmpty());
}

} // namespace
} // namespace pix
