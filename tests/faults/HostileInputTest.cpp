// Bytes that Scanbrook did not write, made to hurt: catalogues that carry NUL characters. The
// inputs also live in fuzz/corpus/.

#include "app/UpdateCheck.h"
#include "platform/PropertyList.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace scanbrook {
namespace {

using namespace std::string_literals;

/// A binary list: [ { "AppName": <text> } ] with the text as UTF-16 (big-endian) characters.
std::string binaryCatalogueWithUtf16Name(const std::u16string& name) {
    std::string list = "bplist00\xA1\x01"s;        // 8: array of one, object 1
    list += "\xD1\x02\x03"s;                       // 10: dictionary, key 2, value 3
    list += "\x57"s + "AppName";                   // 13: ASCII string of 7
    list += static_cast<char>(0x60 | name.size()); // 21: UTF-16 string
    for (const char16_t c : name) {
        list += static_cast<char>(c >> 8);
        list += static_cast<char>(c & 0xFF);
    }
    const auto offsets = static_cast<char>(list.size());
    list += "\x08\x0A\x0D\x15"s; // where the four objects begin
    // Trailer: 6 unused, sizes of offsets and references, objects, top object, offset table.
    list += std::string(6, '\0') + "\x01\x01"s + std::string(7, '\0') + "\x04"s +
            std::string(15, '\0') + offsets;
    return list;
}

/// The library behind the property lists aborts the whole process when it is asked for a text
/// that holds a NUL character; such a catalogue must read as unreadable instead.
TEST(HostileCatalogue, HoldingANulCharacterIsAnErrorInTheList) {
    ASSERT_TRUE(platform::parseDictionaryArray(binaryCatalogueWithUtf16Name(u"Scanbrook\u00E9"s)))
        << "the binary list is well formed but for the NUL";
    class NoHttp final : public platform::HttpClient {
        void get(const std::string&, std::function<void(platform::HttpResponse)>) override {}
    } http;
    const std::string xmlHead =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<array><dict>";
    test::FakeAlertPresenter alerts;
    test::FakeHelpMenu menu;
    test::FakeUrlOpener opener;
    UpdateChecker checker(http, std::make_shared<test::ManualQueue>(), alerts, menu, opener, "",
                          "https://scanbrook.example/downloads/");
    for (const std::string& body :
         {xmlHead + "<key>AppName</key><string>Scan\0brook</string></dict></array></plist>"s,
          xmlHead + "<key>URL</key><string>\0</string></dict></array></plist>"s,
          binaryCatalogueWithUtf16Name(u"Scanbrook\u00E9\0"s)}) {
        checker.processUpdateCatalogue(body, "1.0.0");
        ASSERT_FALSE(alerts.shown.empty());
        EXPECT_EQ(alerts.shown.back().informativeText, "Error in update Property List.");
    }
    EXPECT_EQ(alerts.shown.size(), 3U);
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_FALSE(menu.itemChecked);
}

} // namespace
} // namespace scanbrook
