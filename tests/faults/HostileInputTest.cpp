// Bytes that Scanbrook did not write, made to hurt: format directives and paths in the log's
// entries, and catalogues that carry NUL characters. Each case here was found by fuzzing or is
// the kind of input a fuzzer starts from; the inputs themselves also live in fuzz/corpus/.

#include "app/UpdateCheck.h"
#include "logaccess/deDysfunction.h"
#include "platform/PropertyList.h"
#include "reports/CheckReport.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace scanbrook {
namespace {

using namespace std::string_literals;

// --- The log's entries are text, never formats or paths ------------------------------------

platform::CommandResult exitedWith(std::string output) {
    platform::CommandResult result;
    result.ending = platform::CommandResult::Ending::Exited;
    result.status = 0;
    result.output.reserve(output.size() + platform::kOutputPadding);
    result.output.assign(output);
    return result;
}

TEST(HostileLogEntries, FormatDirectivesAndPathsAreShownAsTheyAre) {
    const reports::CheckTexts texts = reports::checkTexts(1);
    const platform::CommandResult result = exitedWith(
        R"([{"timestamp":"%n%n%n%n%s%s%s%s%x%x%x%x%p%p","senderImagePath":"..\/..\/..\/etc\/%s%n",)"
        R"("eventMessage":"%s%n%1$s{}{0}\\%%"},)"
        R"({"timestamp":"2024-03-05 09:41:07.123456+0100","senderImagePath":"\/proc\/self\/mem",)"
        R"("eventMessage":"NoThreatDetected \/dev\/zero ~\/.ssh\/id_rsa $(reboot) `id`"}])");
    std::string report = texts.header;
    const reports::CheckSummary summary = reports::buildCheckReport(report, texts, result);

    EXPECT_EQ(summary.lines, 2U);
    EXPECT_EQ(report, texts.header + "%n%n%n%n%s%s%s%s%x%x%x%  %s%n"s + "\xE2\x9A\xA0\xEF\xB8\x8F" +
                          R"(%s%n%1$s{}{0}\%%)" + "\n" +
                          "2024-03-05 09:41:07.123  mem  NoThreatDetected /dev/zero "
                          "~/.ssh/id_rsa $(reboot) `id`\n");
}

TEST(HostileLogEntries, TheLaunchCheckReadsTimestampsOnlyAsText) {
    platform::CommandResult result = exitedWith(
        R"([{"timestamp":"%s%s%s%s%s%s%s%s%s%s%s%s%s%s%s%s"},{"timestamp":"\/etc\/localtime"}])");
    EXPECT_FALSE(deDysfunction::logTimestampsUsable(result.output));
}

// --- Catalogues with NUL characters --------------------------------------------------------

struct CatalogueCase {
    const char* name;
    std::string body;
};

void PrintTo(const CatalogueCase& c, std::ostream* os) {
    *os << c.name;
}

class HostileCatalogue : public ::testing::TestWithParam<CatalogueCase> {};

/// The library behind the property lists aborts the whole process when it is asked for a text
/// that holds a NUL character; such a catalogue must read as unreadable instead.
TEST_P(HostileCatalogue, HoldingANulCharacterIsAnErrorInTheList) {
    class NoHttp final : public platform::HttpClient {
    public:
        void get(const std::string&, std::function<void(platform::HttpResponse)>) override {}
    } http;
    test::FakeAlertPresenter alerts;
    test::FakeHelpMenu menu;
    test::FakeUrlOpener opener;
    UpdateChecker checker(http, std::make_shared<test::ManualQueue>(), alerts, menu, opener,
                          "https://scanbrook.example/updates/catalogue.plist",
                          "https://scanbrook.example/downloads/",
                          [] { return std::optional<platform::InfoDictionary>(); });

    checker.processUpdateCatalogue(GetParam().body, "1.0.0");
    ASSERT_EQ(alerts.shown.size(), 1U);
    EXPECT_EQ(alerts.shown[0].informativeText, "Error in update Property List.");
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_EQ(menu.requests, 0);
}

const std::string kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist "
                             "version=\"1.0\">\n<array>\n<dict>\n";
const std::string kXmlTail = "</dict>\n</array>\n</plist>\n";

/// A binary list: [ { "AppName": <text> } ] with the text as UTF-16 (big-endian) characters.
std::string binaryCatalogueWithUtf16Name(const std::u16string& name) {
    std::string list = "bplist00";
    const std::size_t arrayAt = list.size();
    list += "\xA1\x01"s; // array of one: object 1
    const std::size_t dictAt = list.size();
    list += "\xD1\x02\x03"s; // dictionary of one: key object 2, value object 3
    const std::size_t keyAt = list.size();
    list += "\x57"
            "AppName"s; // ASCII string of 7
    const std::size_t valueAt = list.size();
    list += static_cast<char>(0x60 | name.size()); // UTF-16 string
    for (const char16_t c : name) {
        list += static_cast<char>(c >> 8);
        list += static_cast<char>(c & 0xFF);
    }
    const std::size_t offsetsAt = list.size();
    for (const std::size_t at : {arrayAt, dictAt, keyAt, valueAt}) {
        list += static_cast<char>(at);
    }
    // Trailer: 6 unused bytes, offset size 1, reference size 1, 4 objects, top object 0, and
    // where the offset table begins.
    list += std::string(6, '\0') + "\x01\x01"s;
    list += std::string(7, '\0') + "\x04"s;
    list += std::string(8, '\0');
    list += std::string(7, '\0') + static_cast<char>(offsetsAt);
    return list;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, HostileCatalogue,
    ::testing::Values(
        CatalogueCase{"xmlName",
                      kXmlHead + "<key>AppName</key><string>Scan\0brook</string>\n"s + kXmlTail},
        CatalogueCase{"xmlUrl", kXmlHead + "<key>URL</key><string>\0</string>\n"s + kXmlTail},
        CatalogueCase{"binaryName", binaryCatalogueWithUtf16Name(u"Scanbrook\u00E9\0"s)},
        CatalogueCase{"binaryNulAlone", binaryCatalogueWithUtf16Name(u"\0"s)}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(HostileCatalogueControl, TheSameBinaryListWithoutTheNulIsRead) {
    // Shows that the binary lists above are well formed but for the NUL.
    EXPECT_TRUE(platform::parseDictionaryArray(binaryCatalogueWithUtf16Name(u"Scanbrook\u00E9"s))
                    .has_value());
}

} // namespace
} // namespace scanbrook
