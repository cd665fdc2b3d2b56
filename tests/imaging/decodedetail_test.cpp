// The decode's detail: what libjpeg, giflib and libtiff say about a damaged file is kept, one
// short line per thread, and nothing reaches the terminal.
#include "imaging/stderrcapture.h"
#include "imaging/testpictures.h"
#include "platform/imaging/decodedetail.h"
#include "platform/imaging/decoder.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace pix::imaging {
namespace {

using test::decodeBytes;

TEST(DecodeDetail, EachLibrarysMessageAboutACutFileIsKeptNotPrinted) {
    struct Case {
        const char* mime;
        const char* expected; // part of the library's message
    };
    const Case cases[] = {
        {"image/jpeg", "Premature end of JPEG file"}, {"image/gif", ""}, {"image/tiff", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mime);
        const QByteArray whole = test::encodeToMemory(test::gradient(64, 48), c.mime);
        const QByteArray cut = whole.left(whole.size() / 2);
        Picture picture;
        Status status = Status::Ok;
        const QByteArray printed = test::stderrOf([&] { status = decodeBytes(cut, picture); });
        EXPECT_EQ(status, Status::CorruptData);
        EXPECT_EQ(printed, QByteArray());
        const QString detail = lastDecodeDetail();
        EXPECT_FALSE(detail.isEmpty());
        EXPECT_TRUE(detail.contains(c.expected)) << detail.toStdString();

        ASSERT_EQ(decodeBytes(whole, picture), Status::Ok);
        EXPECT_EQ(lastDecodeDetail(), QString());
    }
}

TEST(DecodeDetail, AFileThatCannotBeReadLeavesNoOlderMessage) {
    Picture picture;
    const QByteArray jpeg = test::encodeToMemory(test::gradient(16, 16), "image/jpeg");
    ASSERT_EQ(decodeBytes(jpeg.left(jpeg.size() / 2), picture), Status::CorruptData);
    ASSERT_FALSE(lastDecodeDetail().isEmpty());
    EXPECT_EQ(decodeFile("/no/such/folder/picture.png", picture), Status::FileNotFound);
    EXPECT_EQ(lastDecodeDetail(), QString());
}

TEST(DecodeDetail, TheFirstOfTheHighestRankIsKept) {
    detail::clearDecodeDetail();
    detail::noteDecodeDetail(detail::Severity::Warning, "unknown tag");
    detail::noteDecodeDetail(detail::Severity::Warning, "another unknown tag");
    EXPECT_EQ(lastDecodeDetail(), "unknown tag");
    EXPECT_EQ(lastDecodeNote(), QString()) << "a warning is no note";
    detail::noteDecodeDetail(detail::Severity::Note, "stray bytes");
    detail::noteDecodeDetail(detail::Severity::Warning, "a third unknown tag");
    detail::noteDecodeDetail(detail::Severity::Note, "more stray bytes");
    EXPECT_EQ(lastDecodeDetail(), "stray bytes");
    EXPECT_EQ(lastDecodeNote(), "stray bytes");
    detail::noteDecodeDetail(detail::Severity::Error, "read error on strip 3");
    detail::noteDecodeDetail(detail::Severity::Error, "cannot read the picture");
    EXPECT_EQ(lastDecodeDetail(), "read error on strip 3");
    EXPECT_EQ(lastDecodeNote(), QString()) << "a failure has no note";
    detail::clearDecodeDetail();
    EXPECT_EQ(lastDecodeDetail(), QString());
}

TEST(DecodeDetail, KeptAsOneShortLine) {
    detail::clearDecodeDetail();
    detail::noteDecodeDetail(detail::Severity::Error, "  first line\r\n\tsecond\x1B[31m line \n");
    EXPECT_EQ(lastDecodeDetail(), "first line second [31m line");

    // A long message is cut at about 200 characters, never inside a UTF-8 character.
    detail::clearDecodeDetail();
    std::string longText(199, 'x');
    for (int i = 0; i < 50; ++i)
        longText += "\xC3\xA9"; // é
    detail::noteDecodeDetail(detail::Severity::Error, longText.c_str());
    const QString kept = lastDecodeDetail();
    EXPECT_LE(kept.size(), 200);
    EXPECT_GE(kept.size(), 199);
    EXPECT_FALSE(kept.contains(QChar::ReplacementCharacter));

    // An empty message does not replace one that said something.
    detail::noteDecodeDetail(detail::Severity::Error, " \n");
    EXPECT_EQ(lastDecodeDetail(), kept);
}

TEST(DecodeDetail, EachThreadKeepsItsOwn) {
    detail::clearDecodeDetail();
    detail::noteDecodeDetail(detail::Severity::Error, "here");
    QString there;
    std::thread other([&] {
        detail::noteDecodeDetail(detail::Severity::Error, "there");
        there = lastDecodeDetail();
    });
    other.join();
    EXPECT_EQ(there, "there");
    EXPECT_EQ(lastDecodeDetail(), "here");
}

} // namespace
} // namespace pix::imaging
