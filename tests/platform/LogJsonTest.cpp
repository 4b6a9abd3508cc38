#include "platform/LogJson.h"

#include "support/CommandResults.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace scanbrook::platform {
namespace {

using namespace std::string_literals;

/// What one visited element carried, copied out while its views are valid.
struct Seen {
    bool isObject = false;
    std::optional<std::string> timestamp;
    std::optional<std::string> senderImagePath;
    std::optional<std::string> eventMessage;

    bool operator==(const Seen&) const = default;
};

std::optional<std::string> copy(const std::optional<std::string_view>& view) {
    if (!view) {
        return std::nullopt;
    }
    return std::string(*view);
}

class Recorder final : public LogEntryVisitor {
public:
    void visit(const LogEntry& entry) override {
        seen.push_back({entry.isObject, copy(entry.timestamp), copy(entry.senderImagePath),
                        copy(entry.eventMessage)});
    }
    std::vector<Seen> seen;
};

struct Visit {
    LogJsonResult result;
    std::vector<Seen> seen;
};

Visit visitText(std::string_view json, std::size_t maxElements = static_cast<std::size_t>(-1)) {
    const std::string padded = testing::paddedOutput(json);
    Recorder recorder;
    const LogJsonResult result = visitLogEntries(padded, recorder, maxElements);
    return {result, std::move(recorder.seen)};
}

Seen object(std::optional<std::string> timestamp, std::optional<std::string> sender,
            std::optional<std::string> message) {
    return {true, std::move(timestamp), std::move(sender), std::move(message)};
}

TEST(LogJson, VisitsEveryElementInOrder) {
    const Visit visit = visitText(R"([
        {"timestamp":"t1","senderImagePath":"\/a\/b","eventMessage":"m1","pid":12,"x":[1,{}]},
        7,
        {"eventMessage":"m3"},
        "text", null, [], {}
    ])");
    EXPECT_EQ(visit.result, LogJsonResult::Array);
    const Seen notObject{};
    EXPECT_EQ(visit.seen,
              (std::vector<Seen>{object("t1", "/a/b", "m1"), notObject,
                                 object(std::nullopt, std::nullopt, "m3"), notObject, notObject,
                                 notObject, object(std::nullopt, std::nullopt, std::nullopt)}));
}

TEST(LogJson, StringsAreUnescaped) {
    const Visit visit = visitText(
        R"([{"eventMessage":"q\" s\\ sl\/ nl\n tab\t e\u00e9 smile\ud83d\ude00 nul\u0000!"}])");
    ASSERT_EQ(visit.seen.size(), 1U);
    EXPECT_EQ(visit.seen[0].eventMessage,
              "q\" s\\ sl/ nl\n tab\t e\xC3\xA9 smile\xF0\x9F\x98\x80 nul\0!"s);
}

TEST(LogJson, KeysMatchAfterUnescaping) {
    const Visit visit = visitText(R"([{"time\u0073tamp":"t","event\u004dessage":"m"}])");
    ASSERT_EQ(visit.seen.size(), 1U);
    EXPECT_EQ(visit.seen[0], object("t", std::nullopt, "m"));
}

TEST(LogJson, KeysAreCaseSensitiveAndExact) {
    const Visit visit =
        visitText(R"([{"Timestamp":"a","timestamp ":"b","eventmessage":"c","senderImage":"d"}])");
    ASSERT_EQ(visit.seen.size(), 1U);
    EXPECT_EQ(visit.seen[0], object(std::nullopt, std::nullopt, std::nullopt));
}

TEST(LogJson, MembersThatAreNotStringsAreAbsent) {
    const Visit visit = visitText(
        R"([{"timestamp":1709631667,"senderImagePath":{"path":"\/x"},"eventMessage":null},)"
        R"({"timestamp":true,"senderImagePath":["\/x"],"eventMessage":1.5}])");
    EXPECT_EQ(visit.seen, (std::vector<Seen>{object(std::nullopt, std::nullopt, std::nullopt),
                                             object(std::nullopt, std::nullopt, std::nullopt)}));
}

TEST(LogJson, RepeatedKeyCountsWithItsLastValue) {
    const Visit visit = visitText(
        R"([{"eventMessage":"first","eventMessage":"last","timestamp":"t","timestamp":5}])");
    ASSERT_EQ(visit.seen.size(), 1U);
    EXPECT_EQ(visit.seen[0], object(std::nullopt, std::nullopt, "last"));
}

TEST(LogJson, MaxElementsLimitsTheVisit) {
    const Visit visit =
        visitText(R"([{"timestamp":"1"},2,{"timestamp":"3"},{"timestamp":"4"}])", 3);
    EXPECT_EQ(visit.result, LogJsonResult::Array);
    EXPECT_EQ(visit.seen, (std::vector<Seen>{object("1", std::nullopt, std::nullopt), Seen{},
                                             object("3", std::nullopt, std::nullopt)}));
}

TEST(LogJson, EmptyArray) {
    const Visit visit = visitText(" [ ] \n");
    EXPECT_EQ(visit.result, LogJsonResult::Array);
    EXPECT_TRUE(visit.seen.empty());
}

struct FaultCase {
    const char* name;
    std::string json;
    LogJsonResult result;
};

class DocumentFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(DocumentFault, NothingIsVisited) {
    const Visit visit = visitText(GetParam().json);
    EXPECT_EQ(visit.result, GetParam().result);
    EXPECT_TRUE(visit.seen.empty());
}

const std::string kEntry = R"({"timestamp":"2024-03-05 09:41:07.123456+0100"})";

INSTANTIATE_TEST_SUITE_P(
    Documents, DocumentFault,
    ::testing::Values(
        FaultCase{"Empty", "", LogJsonResult::NotJson},
        FaultCase{"Whitespace", "  \n", LogJsonResult::NotJson},
        FaultCase{"TextAfterArray", "[" + kEntry + "]\nlog: done", LogJsonResult::NotJson},
        FaultCase{"Truncated", "[" + kEntry + "," + kEntry.substr(0, 20), LogJsonResult::NotJson},
        FaultCase{"FaultInUnreadMember", "[" + kEntry + R"(,{"a":[1,2,}])", LogJsonResult::NotJson},
        FaultCase{"InvalidUtf8InUnreadMember", "[" + kEntry + ",{\"a\":\"\xF4\x90\x80\x80\"}]",
                  LogJsonResult::NotJson},
        FaultCase{"InvalidUtf8InKey", "[{\"\xC0\xAF\":1}]", LogJsonResult::NotJson},
        FaultCase{"SingleQuotes", "[{'timestamp':'t'}]", LogJsonResult::NotJson},
        FaultCase{"Number", "42", LogJsonResult::NotArray},
        FaultCase{"String", R"("[]")", LogJsonResult::NotArray},
        FaultCase{"Null", "null", LogJsonResult::NotArray},
        FaultCase{"Object", kEntry, LogJsonResult::NotArray}),
    [](const ::testing::TestParamInfo<FaultCase>& tested) {
        return std::string(tested.param.name);
    });

std::string entries(int count, const std::string& tag) {
    std::string json = "[";
    for (int i = 0; i < count; ++i) {
        json += (i > 0 ? "," : "");
        json += R"({"timestamp":")" + tag + std::to_string(i) + R"(","pad":")" +
                std::string(200, 'p') + R"("})";
    }
    return json + "]";
}

TEST(LogJson, SuccessiveDocumentsOfDifferentSizes) {
    // The parser's buffers outlive a document: a small one after a large one must not see
    // anything of the large one.
    for (const int count : {5000, 3, 0, 1200}) {
        const Visit visit = visitText(entries(count, "d"));
        ASSERT_EQ(visit.result, LogJsonResult::Array);
        ASSERT_EQ(visit.seen.size(), static_cast<std::size_t>(count));
        if (count > 0) {
            EXPECT_EQ(visit.seen.back().timestamp, "d" + std::to_string(count - 1));
        }
    }
}

/// Reads a second document from inside the visit of the first.
class NestingVisitor final : public LogEntryVisitor {
public:
    void visit(const LogEntry& entry) override {
        outer.push_back(copy(entry.timestamp));
        inner.push_back(visitText(R"([{"timestamp":"inner"}])").seen.at(0).timestamp);
    }
    std::vector<std::optional<std::string>> outer;
    std::vector<std::optional<std::string>> inner;
};

TEST(LogJson, VisitorMayReadAnotherDocument) {
    const std::string padded = testing::paddedOutput(R"([{"timestamp":"a"},{"timestamp":"b"}])");
    NestingVisitor visitor;
    EXPECT_EQ(visitLogEntries(padded, visitor), LogJsonResult::Array);
    EXPECT_EQ(visitor.outer, (std::vector<std::optional<std::string>>{"a", "b"}));
    EXPECT_EQ(visitor.inner, (std::vector<std::optional<std::string>>{"inner", "inner"}));
}

TEST(LogJson, ThreadsParseAtTheSameTime) {
    std::vector<std::thread> threads;
    std::vector<int> correct(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &correct] {
            const std::string tag = "t" + std::to_string(t) + "-";
            for (int round = 0; round < 20; ++round) {
                const Visit visit = visitText(entries(300 + t * 50, tag));
                if (visit.seen.size() == static_cast<std::size_t>(300 + t * 50) &&
                    visit.seen.back().timestamp == tag + std::to_string(299 + t * 50)) {
                    ++correct[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(correct, (std::vector<int>{20, 20, 20, 20}));
}

} // namespace
} // namespace scanbrook::platform
