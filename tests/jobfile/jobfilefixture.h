// Shared helpers of the job-file tests: a recording prompt and a sandbox folder of real pictures.
#pragma once

#include "jobfile/jobfileloader.h"
#include "jobs/joblist.h"
#include "jobs/userprompt.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

namespace pix::test {

// Records every message; answers every question No (the loader must never ask one).
class RecordingPrompt : public UserPrompt {
public:
    QStringList messages; // "caption: text"
    QList<MessageIcon> icons;
    int questions = 0;

    Answer askYesNo(const QString&, MessageIcon, QObject*) override {
        ++questions;
        return Answer::No;
    }
    void showMessage(const QString& text, const QString& caption, MessageIcon icon) override {
        messages << caption + QStringLiteral(": ") + text;
        icons << icon;
    }
};

class JobFileTest : public ::testing::Test {
protected:
    // A picture of one colour; the folders on the way are made. format as QImage::save takes it.
    void picture(const QString& relative, int width, int height, const char* format = "PNG");
    void textFile(const QString& relative, const QByteArray& bytes);
    QString path(const QString& relative) const { return dir.filePath(relative); }

    // Loads the document after "$D" in it became the sandbox path. True as LoadJobFile answers.
    bool loadDocument(const QString& document, const JobFileOptions& options = {});
    // Loads "<job>" + body + "</job>".
    bool load(const QString& body) { return loadDocument("<job>" + body + "</job>"); }

    QStringList rowNames() const;
    const JobItem& item(int row) const { return *list.itemAt(row); }

    QTemporaryDir dir;
    RecordingPrompt prompt;
    JobList list{&prompt};
};

} // namespace pix::test
