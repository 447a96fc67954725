// The shipped translated-text file must load and keep both languages aligned.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <set>

#include "core/globals.h"
#include "core/mltext.h"

namespace {

TEST(ShippedMLFileTest, EveryMessageHasBothLanguagesAndAUniqueEnglishText) {
    const std::string path = std::string(CT_SOURCE_DIR) + "/cfg/KIV_ML.xml";
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path.c_str()));
    std::set<std::string> seen;
    for (pugi::xml_node m : doc.document_element().children("MESSAGE")) {
        auto descs = m.children("DESC");
        std::vector<std::string> texts;
        for (pugi::xml_node d : descs)
            texts.push_back(d.text().get());
        ASSERT_EQ(texts.size(), 2u) << m.first_child().text().get();
        EXPECT_FALSE(texts[1].empty()) << texts[0];
        EXPECT_TRUE(seen.insert(texts[0]).second) << "duplicate: " << texts[0];
    }
    ASSERT_TRUE(CreateMultiLang(path));
    g_nLanguage = 2;
    EXPECT_EQ(GetMLText("Default database is not defined"), "未定義預設資料庫");
    g_nLanguage = 1;
    ReleaseMultiLang();
}

}  // namespace
