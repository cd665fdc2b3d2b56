#include "platform/wmf/wmfplayback.h"

#include "platform/wmf/wmfcontext.h"
#include "platform/wmf/wmfhandlers.h"
#include "platform/wmf/wmfrecord.h"
#include "platform/wmf/wmfwork.h"

#include <algorithm>
#include <vector>

namespace pix::wmf {

namespace {

// Every group's handlers in one table sorted by record function.
const std::vector<Handler>& handlerTable() {
    static const std::vector<Handler> table = [] {
        std::vector<Handler> all;
        for (auto group :
             {stateHandlers(), objectHandlers(), shapeHandlers(), textHandlers(), bitmapHandlers()})
            all.insert(all.end(), group.begin(), group.end());
        std::sort(all.begin(), all.end(),
                  [](const Handler& a, const Handler& b) { return a.function < b.function; });
        return all;
    }();
    return table;
}

const Handler* findHandler(std::uint16_t function) {
    const std::vector<Handler>& table = handlerTable();
    const auto it =
        std::lower_bound(table.begin(), table.end(), function,
                         [](const Handler& h, std::uint16_t f) { return h.function < f; });
    return it != table.end() && it->function == function ? &*it : nullptr;
}

} // namespace

WmfResult playRecords(const unsigned char* data, std::size_t size, const Header& header,
                      Context& context) {
    RecordReader reader(data, size, header.firstRecord);
    Record record;
    for (;;) {
        switch (reader.next(record)) {
        case RecordReader::Step::End:
            return WmfResult::Ok;
        case RecordReader::Step::Malformed:
            return WmfResult::Malformed;
        case RecordReader::Step::Record:
            break;
        }
        const Handler* handler = findHandler(record.function());
        if (handler == nullptr)
            continue; // a record this player does not draw
        if (!record.has(handler->minWords) || !handler->play(context, record))
            return WmfResult::Malformed;
        if (context.pass() == Pass::Cost && context.work() > WorkBudget)
            return WmfResult::TooMuchWork; // no need to weigh the rest
    }
}

} // namespace pix::wmf
