// The colour and metadata choices of a job item: one row per choice with its job-file keyword,
// its label in the settings dialog and its word in the "Remarks" column. The dialog, the job
// file and the remarks read these tables.
#pragma once

#include "jobs/jobitem.h"

#include <QLatin1String>
#include <QStringView>
#include <optional>
#include <span>

namespace pix {

template <typename Choice> struct ChoiceRow {
    Choice value;
    QLatin1String keyword; // the job file's value
    QLatin1String label;   // the settings dialog's entry
    QLatin1String remark;  // said in "Remarks" when chosen; empty for the default
};

// The row of a choice in its table; the default's (0) for a value no row has.
template <typename Choice> int choiceIndex(std::span<const ChoiceRow<Choice>> rows, Choice value) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].value == value)
            return int(i);
    }
    return 0;
}

// The first row of each table is the default.
std::span<const ChoiceRow<ColourChoice>> colourChoices();
std::span<const ChoiceRow<MetadataChoice>> metadataChoices();

// The choice whose keyword is the text, without regard to case; none when no row has it.
std::optional<ColourChoice> colourForKeyword(QStringView keyword);
std::optional<MetadataChoice> metadataForKeyword(QStringView keyword);

// The remark words of an item's choices, empty for the defaults.
QLatin1String colourRemark(ColourChoice choice);
QLatin1String metadataRemark(MetadataChoice choice);

} // namespace pix
