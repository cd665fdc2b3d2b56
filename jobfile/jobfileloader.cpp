#include "jobfile/jobfileloader.h"

#include "jobfile/jobfilemessages.h"
#include "jobfile/jobfileread.h"
#include "jobfile/jobload.h"
#include "jobfile/jobnodewalk.h"
#include "jobfile/parseerror.h"
#include "jobs/userprompt.h"

#include <exception>
#include <pugixml.hpp>

namespace pix {

namespace {

// The parser's defaults keep CDATA, expand character and predefined entity references, normalise
// line ends and turn white space inside attribute values into blanks, as XML prescribes.
// Comments and processing instructions are kept as nodes, and the walk passes over them. Text of
// white space alone is dropped, so indentation makes no nodes. The document type declaration is
// skipped: no entity is defined or fetched from anywhere, and a reference to an undeclared entity
// stays in the text as written.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi;

// Failures that are not the file's fault (memory, an exception) name the program, not "Error".
void reportFailure(UserPrompt* prompt, const QString& description) {
    if (prompt != nullptr)
        prompt->showMessage(description, QStringLiteral("Pixovia"), MessageIcon::Exclamation);
}

void reportParseError(UserPrompt* prompt, const QByteArray& bytes,
                      const pugi::xml_parse_result& result) {
    const TextPlace place = placeOfOffset(bytes, result.encoding, result.offset);
    showJobFileError(prompt, parseErrorMessage(parseErrorCode(result.status), place,
                                               QString::fromUtf8(result.description())));
}

// The parser accepts several top-level elements; a job file has one root, and entries after
// it would otherwise be dropped without a word.
pugi::xml_node secondRoot(const pugi::xml_document& document) {
    bool rootSeen = false;
    for (const pugi::xml_node& node : document.children()) {
        if (node.type() != pugi::node_element)
            continue;
        if (rootSeen)
            return node;
        rootSeen = true;
    }
    return pugi::xml_node();
}

void reportSecondRoot(UserPrompt* prompt, const QByteArray& bytes,
                      const pugi::xml_parse_result& result, const pugi::xml_node& second) {
    // The node's offset is that of its name; the element starts one character earlier.
    const TextPlace place = placeOfOffset(bytes, result.encoding, second.offset_debug() - 1);
    showJobFileError(prompt,
                     parseErrorMessage(kSecondRootCode, place,
                                       QStringLiteral("Only one top level element is allowed")));
}

bool isParserFailure(pugi::xml_parse_status status) {
    return status == pugi::status_out_of_memory || status == pugi::status_internal_error;
}

bool parseAndWalk(const QByteArray& bytes, JobList& list, UserPrompt* prompt,
                  const JobFileOptions& options) {
    pugi::xml_document document;
    const pugi::xml_parse_result result =
        document.load_buffer(bytes.constData(), std::size_t(bytes.size()), kParseOptions);
    if (isParserFailure(result.status)) {
        reportFailure(prompt, QString::fromUtf8(result.description()));
        return false;
    }
    if (!result) {
        reportParseError(prompt, bytes, result);
        return false;
    }
    if (const pugi::xml_node second = secondRoot(document)) {
        reportSecondRoot(prompt, bytes, result, second);
        return false;
    }
    JobLoad load(options);
    WalkJobNodes(list, document.document_element().first_child(), load);
    return true;
}

// Runs one step of the load so that no exception leaves the loader: a failure is reported like
// any other failure of the parser, and the rows added before it stay.
template <typename Step> bool reportingFailures(UserPrompt* prompt, Step&& step) {
    try {
        return step();
    } catch (const std::exception& error) {
        reportFailure(prompt, QString::fromUtf8(error.what()));
    } catch (...) {
        reportFailure(prompt, QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace

bool LoadJobFileFromMemory(const QByteArray& bytes, JobList& list, UserPrompt* prompt,
                           const JobFileOptions& options) {
    return reportingFailures(prompt, [&] {
        if (bytes.size() > kMaxJobFileBytes) {
            showJobFileError(prompt, QStringLiteral("Unable to open the XML file - The file is "
                                                    "larger than 32 MB."));
            return false;
        }
        return parseAndWalk(bytes, list, prompt, options);
    });
}

bool LoadJobFile(const QString& path, JobList& list, UserPrompt* prompt,
                 const JobFileOptions& options) {
    QByteArray bytes;
    if (!reportingFailures(prompt, [&] { return readJobFile(path, bytes, prompt); }))
        return false;
    return LoadJobFileFromMemory(bytes, list, prompt, options);
}

} // namespace pix
