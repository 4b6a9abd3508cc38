// Bytes that Scanbrook did not write, made to hurt: update catalogues made to hurt their reader.
// The inputs also live in fuzz/corpus/.

#include "platform/PropertyList.h"
#include "support/PropertyLists.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace scanbrook {
namespace {

using namespace std::string_literals;

std::string repeated(std::string_view text, std::size_t times) {
    std::string all;
    for (std::size_t i = 0; i < times; ++i) {
        all += text;
    }
    return all;
}

std::string xmlList(std::string_view root) {
    return test::encodePlist(root, test::PlistFormat::Xml);
}

const std::string kEntry = "<dict>" + test::textKey("AppName", "Scanbrook") + "</dict>";

/// [ { key: text } ] in binary.
std::string binaryEntry(const std::string& key, const std::string& text) {
    return test::binaryPlist(
        {test::binaryContainer(0xA, {1}), test::binaryContainer(0xD, {2, 3}), key, text});
}

/// Objects 0 … levels-1 each an array of `fanOut` references to the next; the last a text.
std::string binaryChain(std::size_t levels, std::size_t fanOut) {
    std::vector<std::string> objects;
    for (std::size_t level = 0; level < levels; ++level) {
        objects.push_back(
            test::binaryContainer(0xA, std::vector<std::uint64_t>(fanOut, level + 1), 2));
    }
    objects.push_back(test::binaryText("x"));
    return test::binaryPlist(objects, 2);
}

/// [ shared, chain ]: 20 arrays and a text (objects 1 to 21), walked first, then reached again
/// at the end of 15 arrays (22 to 36), deeper than where they were walked: 1 + 15 + 21 levels.
std::string binaryDag() {
    std::vector<std::string> objects{test::binaryContainer(0xA, {1, 22})};
    for (std::uint64_t i = 1; i <= 36; ++i) {
        objects.push_back(i == 21 ? test::binaryText("x")
                                  : test::binaryContainer(0xA, {i % 36 + 1}));
    }
    return test::binaryPlist(objects);
}

const std::string kCorpus = SCANBROOK_SOURCE_DIR_FOR_TESTS "/fuzz/corpus/update_catalogue/";

struct CatalogueCase {
    const char* name;
    std::string body;
    std::optional<std::size_t> elements; ///< what is read, nullopt: refused
};

/// Catalogues nested or expanding without end are refused before the property-list library
/// builds them (it would take the stack, the memory or minutes of the main thread), and so is
/// one in another encoding or one holding a NUL character (the platform's reader keeps a NUL,
/// so the catalogue would say something else there). Lists that only look like them are read.
class HostileCatalogue : public ::testing::TestWithParam<CatalogueCase> {};

TEST_P(HostileCatalogue, IsReadOnlyWhenItIsXmlOrBinaryWithinBounds) {
    const std::optional<platform::DictionaryArray> read =
        platform::parseDictionaryArray(GetParam().body);
    EXPECT_EQ(read ? std::optional(read->size()) : std::nullopt, GetParam().elements);
}

const std::string kBigText(600U * 1024U, 'x');

const CatalogueCase kHostileCatalogues[] = {
    {"DeepXml", xmlList(repeated("<array>", 1000) + repeated("</array>", 1000)), std::nullopt},
    {"MarkupInCommentsAndCdataOpensNoLevel",
     xmlList("<array><!-- " + repeated("<array>", 100) + " -->" + "<dict><key>A</key><string>" +
             "<![CDATA[" + repeated("<array>", 100) + "]]></string></dict></array>"),
     1},
    {"EmptyElementsOpenNoLevel", xmlList("<array>" + repeated("<array/>", 100) + "</array>"), 100},
    // The root "plist" element is the first level.
    {"XmlDepthAtTheBound", xmlList(repeated("<array>", 31) + repeated("</array>", 31)), 1},
    {"XmlDepthBeyondTheBound", xmlList(repeated("<array>", 32) + repeated("</array>", 32)),
     std::nullopt},
    {"XmlElementsBeyondTheBound", xmlList("<array>" + repeated("<true/>", 99'999) + "</array>"),
     std::nullopt},
    {"DoctypeWithInternalSubset", *test::readFile(kCorpus + "doctype-subset.plist"), std::nullopt},
    {"QuotedMarkupEnd", *test::readFile(kCorpus + "quoted-markup-in-tags.plist"), std::nullopt},
    {"DeepBinary", binaryChain(1000, 1), std::nullopt},
    {"SharedSubtreeReachedDeeper", binaryDag(), std::nullopt},
    // A UTF-16 unit counts four bytes (the reader's UTF-8 buffer): 7 bytes, the key, over 32 MiB.
    {"Utf16TextBeyondThePayloadBound",
     binaryEntry(test::binaryText("AppName"), test::binaryText(std::u16string(8U << 20, u'x'))),
     std::nullopt},
    // 18 levels of two references each: 2^18 values from a few hundred bytes.
    {"ExponentialBinary", binaryChain(18, 2), std::nullopt},
    {"SharedBinaryWithinBounds", binaryChain(10, 2), 2},
    {"OneTextReferredToOverAndOver",
     test::binaryPlist({test::binaryContainer(0xA, std::vector<std::uint64_t>(64, 1)),
                        test::binaryText(kBigText)}),
     std::nullopt},
    {"Json", R"([{"AppName": "Scanbrook"}])", std::nullopt},
    {"OpenStep", "({AppName = Scanbrook;})", std::nullopt},
    {"XmlAfterByteOrderMarkAndSpace", "\xEF\xBB\xBF \n" + xmlList("<array>" + kEntry + "</array>"),
     1},
    // The document type first, as some writers leave it: the later library versions take it
    // for OpenStep when they see it first.
    {"XmlWithDocumentType",
     "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\"><array>" +
         kEntry + "</array></plist>",
     1},
    {"XmlWithoutPlistElement", "<array>" + kEntry + "</array>", std::nullopt},
    {"NulInXmlText", xmlList("<array><dict><key>URL</key><string>\0</string></dict></array>"s),
     std::nullopt},
    // The library shortens an ASCII key at a NUL, and aborts the process when it hands out a
    // UTF-16 key that holds one.
    {"NulInBinaryAsciiKey", binaryEntry(test::binaryText("AppName\0x"s), test::binaryText("S")),
     std::nullopt},
    {"NulInBinaryUtf16Key", binaryEntry(test::binaryText(u"AppName\0"s), test::binaryText("S")),
     std::nullopt},
    {"BinaryUtf16Text",
     binaryEntry(test::binaryText("AppName"), test::binaryText(u"Scanbrook\u00E9"s)), 1},
};

INSTANTIATE_TEST_SUITE_P(Catalogues, HostileCatalogue, ::testing::ValuesIn(kHostileCatalogues),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace scanbrook
