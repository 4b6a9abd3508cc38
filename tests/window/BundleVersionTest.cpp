#include "platform/Paths.h"
#include "window/ViewController.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace scanbrook {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "scanbrook-bundle-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void writeBytes(const fs::path& file, std::string_view bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string xmlPlist(std::string_view body) {
    return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
)") + std::string(body) +
           "\n</plist>\n";
}

std::string binaryPlistWithVersion(const char* version) {
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, "CFBundleIdentifier", plist_new_string("com.example.scanner"));
    plist_dict_set_item(dict, "CFBundleShortVersionString", plist_new_string(version));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(dict, &bytes, &length);
    std::string result(bytes, length);
    plist_to_bin_free(bytes);
    plist_free(dict);
    return result;
}

struct BundleCase {
    const char* name;
    std::optional<std::string> infoPlist; // nullopt: no Info.plist in the bundle
    const char* expected;
};

class BundleShortVersion : public ::testing::TestWithParam<BundleCase> {};

TEST_P(BundleShortVersion, ReadsTheVersionTextOrSaysNotFound) {
    TempFolder folder;
    const fs::path bundle = folder.path() / "XProtect.app";
    fs::create_directories(bundle / "Contents");
    if (GetParam().infoPlist) {
        writeBytes(bundle / "Contents" / "Info.plist", *GetParam().infoPlist);
    }
    EXPECT_EQ(ViewController::bundleShortVersion(bundle.string()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bundles, BundleShortVersion,
    ::testing::Values(
        BundleCase{"Xml",
                   xmlPlist("<dict><key>CFBundleShortVersionString</key><string>151</string>"
                            "</dict>"),
                   "151"},
        BundleCase{"XmlKeptExactly",
                   xmlPlist("<dict><key>CFBundleShortVersionString</key>"
                            "<string> 2.0 beta &amp; more </string></dict>"),
                   " 2.0 beta & more "},
        BundleCase{"Binary", binaryPlistWithVersion("149.1"), "149.1"},
        BundleCase{"NoInfoPlist", std::nullopt, "Not found"},
        BundleCase{"EmptyDictionary", xmlPlist("<dict/>"), "Not found"},
        BundleCase{"KeyMissing",
                   xmlPlist("<dict><key>CFBundleVersion</key><string>9</string></dict>"),
                   "Not found"},
        BundleCase{"NotText",
                   xmlPlist("<dict><key>CFBundleShortVersionString</key><integer>151</integer>"
                            "</dict>"),
                   "Not found"},
        BundleCase{"RootIsArray", xmlPlist("<array><string>151</string></array>"), "Not found"},
        BundleCase{"Corrupt", std::string("<plist><dict><key>CFBundle"), "Not found"},
        BundleCase{"Empty", std::string(), "Not found"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(BundleShortVersionPaths, MissingFolderOrPlainFileIsNotFound) {
    TempFolder folder;
    EXPECT_EQ(ViewController::bundleShortVersion((folder.path() / "absent.app").string()),
              "Not found");
    writeBytes(folder.path() / "file.app", "not a folder");
    EXPECT_EQ(ViewController::bundleShortVersion((folder.path() / "file.app").string()),
              "Not found");
}

// The title comes from the XProtect bundle under the platform root, so a simulated Mac can
// stand in for the real one.
TEST(WindowTitle, CarriesTheInstalledVersionOrNotFound) {
    TempFolder root;
    ASSERT_EQ(::setenv(platform::kPlatformRootVariable, root.path().c_str(), 1), 0);
    platform::reloadPlatformRoot();

    auto titleNow = [] {
        test::FakeDefaults defaults;
        test::FakeClock clock;
        test::FakeApplication application;
        test::FakeSavePanel panel;
        test::FakeStepper stepper;
        test::FakeTextField field;
        test::FakeSpinner spinner;
        test::FakeWindow window;
        ViewController controller({defaults, clock, application, panel,
                                   std::make_shared<test::ManualQueue>(),
                                   std::make_unique<test::ManualQueue>()});
        controller.setPeriodStep(&stepper);
        controller.setTextTimePeriod(&field);
        controller.setBusySpinner(&spinner);
        controller.setViewWindow(&window);
        controller.viewDidLoad();
        controller.viewDidAppear();
        return window.title;
    };

    EXPECT_EQ(titleNow(), "Scanbrook : XProtect Remediator version Not found");
    writeBytes(root.path() / "Library/Apple/System/Library/CoreServices/XProtect.app/Contents/"
                             "Info.plist",
               binaryPlistWithVersion("147"));
    EXPECT_EQ(titleNow(), "Scanbrook : XProtect Remediator version 147");

    ::unsetenv(platform::kPlatformRootVariable);
    platform::reloadPlatformRoot();
}

} // namespace
} // namespace scanbrook
