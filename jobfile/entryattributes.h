// The attributes of a job entry: the table of names and what each one sets.
#pragma once

#include "jobfile/jobfileloader.h"
#include "jobs/jobitem.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <pugixml.hpp>

namespace pix {

// What an entry element asks for: its item, complete but for the picture's own size, and for
// folder entries the patterns to search for.
struct EntrySettings {
    JobItem item;
    QString filter;
    // Values that were not understood and what was done instead, e.g. an unknown format.
    QStringList unrecognised;
};

/// Reads the element's attributes into a new item, after the values of `preset`, which they
/// override. Names are compared without regard to case, an empty value counts as absent, and of
/// several attributes with one name the last counts. Then one trailing "/" is cut from the
/// folders, the output folder defaults to the source folder, and the output format falls back
/// to the extension of the name.
EntrySettings readEntryAttributes(const pugi::xml_node& element, const AttributeList& preset = {});

/// The preset the element names with preset="NAME"; empty when it names none.
QString presetNameOf(const pugi::xml_node& element);

/// A number as C's atoi reads it: blanks, an optional sign, decimal digits up to the first
/// other character; no digits give 0. Values beyond 32 bits saturate to the nearest limit.
std::int32_t atoiValue(QStringView text);

/// The format of an "outputformat" keyword (bmp, jpg, gif, png, tif in any case), or none.
std::optional<std::int32_t> formatFromKeyword(QStringView keyword);

/// The format from the text after the last "." of a file name; Bitmap for anything unknown.
std::int32_t formatFromName(const QString& name);

} // namespace pix
