#include "window/ViewController.h"

#include "support/PropertyLists.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace scanbrook {
namespace {

using test::PlistFormat;

const std::string kVersionKey = "<key>CFBundleShortVersionString</key>";

struct BundleCase {
    const char* name;
    std::optional<std::string> infoPlist; // nullopt: no Info.plist in the bundle
    const char* version;
};

class BundleShortVersion : public ::testing::TestWithParam<BundleCase> {};

TEST_P(BundleShortVersion, IsTheVersionTextOrNotFound) {
    const test::TempFolder folder;
    std::filesystem::create_directories(folder.file("XProtect.app/Contents"));
    if (GetParam().infoPlist) {
        test::writeFile(folder.file("XProtect.app/Contents/Info.plist"), *GetParam().infoPlist);
    }
    EXPECT_EQ(ViewController::bundleShortVersion(folder.file("XProtect.app")), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(
    Bundles, BundleShortVersion,
    ::testing::Values(
        BundleCase{"Xml",
                   test::encodePlist("<dict>" + test::textKey("CFBundleShortVersionString", "151") +
                                         "</dict>",
                                     PlistFormat::Xml),
                   "151"},
        BundleCase{"XmlKeptExactly",
                   test::encodePlist("<dict>" + kVersionKey +
                                         "<string> 2.0 beta &amp; more </string></dict>",
                                     PlistFormat::Xml),
                   " 2.0 beta & more "},
        BundleCase{"Binary",
                   test::encodePlist("<dict>" + test::textKey("CFBundleIdentifier", "x.y") +
                                         test::textKey("CFBundleShortVersionString", "149.1") +
                                         "</dict>",
                                     PlistFormat::Binary),
                   "149.1"},
        BundleCase{"NoInfoPlist", std::nullopt, "Not found"},
        BundleCase{"KeyMissing",
                   test::encodePlist("<dict>" + test::textKey("CFBundleVersion", "9") + "</dict>",
                                     PlistFormat::Binary),
                   "Not found"},
        BundleCase{"NotText",
                   test::encodePlist("<dict>" + kVersionKey + "<integer>151</integer></dict>",
                                     PlistFormat::Xml),
                   "Not found"},
        BundleCase{"RootIsArray",
                   test::encodePlist("<array><string>151</string></array>", PlistFormat::Xml),
                   "Not found"},
        BundleCase{"Corrupt", std::string("<plist><dict><key>CFBundle"), "Not found"},
        BundleCase{"Empty", std::string(), "Not found"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(BundleShortVersion, MissingFolderOrPlainFileIsNotFound) {
    const test::TempFolder folder;
    EXPECT_EQ(ViewController::bundleShortVersion(folder.file("absent.app")), "Not found");
    test::writeFile(folder.file("file.app"), "not a folder");
    EXPECT_EQ(ViewController::bundleShortVersion(folder.file("file.app")), "Not found");
}

} // namespace
} // namespace scanbrook
