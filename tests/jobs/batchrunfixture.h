// A job list of real pictures in a temporary folder, each converted to a 16 x 8 JPEG beside
// it, with a scripted prompt and a recording log: what the batch-run tests start from.
#pragma once

#include "jobs/batchrun.h"
#include "jobs/jobfixture.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace pix::test {

class BatchRunFixture : public ::testing::Test {
protected:
    // A row converting NAME (a quadrants PNG of the given size) to JPEG at 16 x 8.
    void addPicture(const QString& name, int width = 16, int height = 8) {
        ASSERT_TRUE(writeQuadrantsPng(dir.filePath(name), width, height));
        auto item = std::make_unique<JobItem>(itemFor(dir.path(), name, 16, 8));
        item->output.formatCode = kFormatJpg;
        list.AppendItem(std::move(item), name);
    }
    void addPictures(const QStringList& names) {
        for (const QString& name : names) {
            addPicture(name);
            if (HasFatalFailure())
                return;
        }
    }
    // The names of the rows left in the list, in order.
    QStringList rows() const {
        QStringList names;
        for (int row = 0; row < list.rowCount(); ++row)
            names << list.rowName(row);
        return names;
    }
    // The texts of the output log's lines, in order.
    QStringList lines() const {
        QStringList out;
        for (int i = 0; i < log.lineCount(); ++i)
            out << log.line(i).text;
        return out;
    }

    QTemporaryDir dir;
    ScriptedPrompt prompt;
    OutputLog log;
    JobList list{&prompt};
    ConversionContext context{&prompt, nullptr, &log};
};

} // namespace pix::test
