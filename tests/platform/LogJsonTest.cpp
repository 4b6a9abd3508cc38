// The log's JSON reader where the report cannot show it: which members count, and buffers that
// outlive a document. What a whole output gives, faults included, is proven by the report's
// tables.
#include "platform/LogJson.h"

#include "support/CommandResults.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace scanbrook::platform {
namespace {

using Text = std::optional<std::string>;

/// What one visited element carried, copied out while its views are valid.
struct Seen {
    bool isObject = false;
    Text timestamp, senderImagePath, eventMessage;
    bool operator==(const Seen&) const = default;
};

const Seen kNotObject{};
Seen object(Text timestamp, Text sender, Text message) {
    return {true, std::move(timestamp), std::move(sender), std::move(message)};
}

/// Visits `json` (in a buffer with the spare bytes the reader needs); `nested` reads another
/// document from inside every visit.
class Recorder final : public LogEntryVisitor {
public:
    explicit Recorder(bool nested = false) : nested_(nested) {}
    void visit(const LogEntry& entry) override {
        const auto copy = [](const auto& view) { return view ? Text(*view) : std::nullopt; };
        seen.push_back({entry.isObject, copy(entry.timestamp), copy(entry.senderImagePath),
                        copy(entry.eventMessage)});
        if (nested_) {
            Recorder inner;
            inner.read(R"([{"timestamp":"inner"}])");
            seen.back().senderImagePath = inner.seen.at(0).timestamp;
        }
    }
    LogJsonResult read(std::string_view json, std::size_t maxElements = std::size_t(-1)) {
        const std::string padded = testing::paddedOutput(json);
        return visitLogEntries(padded, *this, maxElements);
    }
    std::vector<Seen> seen;

private:
    bool nested_;
};

struct VisitCase {
    const char* name;
    std::string json;
    std::vector<Seen> seen;
    std::size_t maxElements = std::size_t(-1);
};

class LogJsonVisit : public ::testing::TestWithParam<VisitCase> {};

TEST_P(LogJsonVisit, SeesTheThreeMembersOfEveryElementInOrder) {
    Recorder recorder;
    EXPECT_EQ(recorder.read(GetParam().json, GetParam().maxElements), LogJsonResult::Array);
    EXPECT_EQ(recorder.seen, GetParam().seen);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, LogJsonVisit,
    ::testing::Values(
        VisitCase{"Mixed",
                  R"([{"timestamp":"t1","senderImagePath":"\/a\/b","eventMessage":"m1","x":[1,{}]},
                      7, {"eventMessage":"m3"}, "text", null, [], {}])",
                  {object("t1", "/a/b", "m1"), kNotObject, object({}, {}, "m3"), kNotObject,
                   kNotObject, kNotObject, object({}, {}, {})}},
        VisitCase{"KeysMatchAfterUnescaping",
                  R"([{"time\u0073tamp":"t","event\u004dessage":"m"}])",
                  {object("t", {}, "m")}},
        VisitCase{"KeysAreExact",
                  R"([{"Timestamp":"a","timestamp ":"b","eventmessage":"c"}])",
                  {object({}, {}, {})}},
        VisitCase{"LastOfARepeatedKeyCounts",
                  R"([{"eventMessage":"a","eventMessage":"b",
                      "timestamp":"t","timestamp":5}])",
                  {object({}, {}, "b")}},
        VisitCase{"MaxElements",
                  R"([{"timestamp":"1"},2,{"timestamp":"3"},{"timestamp":"4"}])",
                  {object("1", {}, {}), kNotObject, object("3", {}, {})},
                  3},
        VisitCase{"Empty", " [ ] \n", {}}),
    [](const auto& param) { return std::string(param.param.name); });

std::string entries(int count, const std::string& tag) {
    std::string json = "[";
    for (int i = 0; i < count; ++i) {
        json += (i > 0 ? R"(,{"timestamp":")" : R"({"timestamp":")") + tag + std::to_string(i) +
                R"(","pad":")" + std::string(200, 'p') + R"("})";
    }
    return json + "]";
}

TEST(LogJson, ReusedBuffersNeverShowAnEarlierDocument) {
    // The parser's buffers outlive a document: a small one after a large one must not see
    // anything of the large one, also when read from inside another visit.
    for (const int count : {5000, 3, 0, 1200}) {
        Recorder recorder;
        ASSERT_EQ(recorder.read(entries(count, "d")), LogJsonResult::Array);
        ASSERT_EQ(recorder.seen.size(), static_cast<std::size_t>(count));
        if (count > 0) {
            EXPECT_EQ(recorder.seen.back().timestamp, "d" + std::to_string(count - 1));
        }
    }
    Recorder nesting(true);
    nesting.read(R"([{"timestamp":"a"},{"timestamp":"b"}])");
    EXPECT_EQ(nesting.seen,
              (std::vector<Seen>{object("a", "inner", {}), object("b", "inner", {})}));
}

} // namespace
} // namespace scanbrook::platform
