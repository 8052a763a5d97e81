// Tables as CSV, and the index of the pictures of a session's windows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <expat.h>

#include <filesystem>
#include <map>

#include "tests/workbench/graphs/picture.h"
#include "tests/testkit/temp_dir.h"
#include "workbench/export/plot_export.h"
#include "workbench/export/table_csv.h"

namespace kwt {
namespace {

using ::testing::ElementsAre;
using test::ReadFile;
using test::RunAll;
using test::TempDir;

TEST(TableCsv, ColumnsUnitsAndUnequalLengths) {
  Workbench wb;
  RunAll(wb, {"Make/O/D/N=3 s_mean", "s_mean = {0.1, NaN, -2.5}", "Make/O/N=2 s_num = {1, 3}",
              "SetScale/P x 0.5, 0.25, \"s\", s_mean, s_num", "SetScale d 0, 0, \"A\", s_mean",
              "Make/O/W/N=4 counts = {7, -8, 9, 10}", "Edit s_mean, s_num", "AppendToTable counts"});
  // s_mean and s_num share an x scaling, counts has its own.
  EXPECT_EQ(TableCsv(wb.windows().front()),
            "x of s_mean (s),s_mean (A),s_num,x of counts,counts\n"
            "0.5,0.1,1,0,7\n"
            "0.75,NaN,3,1,-8\n"
            "1,-2.5,,2,9\n"
            ",,,3,10\n");
  RunAll(wb, {"Make/O/N=2 'a, b' = {0.1, 1e-7}", "SetScale d 0, 0, \"\\\"V\\\"\", 'a, b'",
              "Edit 'a, b'"});
  EXPECT_EQ(TableCsv(wb.windows().front()), "x,\"a, b (\"\"V\"\")\"\n0,0.1\n1,1e-07\n")
      << "float samples in their own precision; quoting where needed";
}

// What a reader of index.html sees, read back with an XML parser (so that
// a stray "<" or "&" fails the test): the texts of the elements of some
// classes, in order, and the pictures and links.
struct IndexView {
  std::map<std::string, std::vector<std::string>> texts;  // class -> texts
  std::vector<std::string> images, links;
  std::string root;  // the first element
  std::string open;  // the class of the element being read
  bool scripts = false;
};

IndexView ReadIndex(const std::string& html) {
  IndexView view;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &view);
  XML_SetElementHandler(
      parser,
      [](void* data, const XML_Char* name, const XML_Char** attrs) {
        IndexView* v = static_cast<IndexView*>(data);
        const std::string element = name;
        if (v->root.empty()) v->root = element;
        if (element == "script") v->scripts = true;
        for (int i = 0; attrs[i] != nullptr; i += 2) {
          const std::string key = attrs[i];
          if (key == "class") {
            v->open = attrs[i + 1];
            v->texts[v->open].emplace_back();
          }
          if (element == "img" && key == "src") v->images.push_back(attrs[i + 1]);
          if (element == "a" && key == "href") v->links.push_back(attrs[i + 1]);
        }
      },
      [](void* data, const XML_Char*) { static_cast<IndexView*>(data)->open.clear(); });
  XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int n) {
    IndexView* v = static_cast<IndexView*>(data);
    if (!v->open.empty()) v->texts[v->open].back().append(s, static_cast<size_t>(n));
  });
  const XML_Status status = XML_Parse(parser, html.data(), static_cast<int>(html.size()), 1);
  EXPECT_EQ(status, XML_STATUS_OK) << XML_ErrorString(XML_GetErrorCode(parser)) << " at line "
                                   << XML_GetCurrentLineNumber(parser);
  XML_ParserFree(parser);
  return view;
}

// Every window in the order it was made, with its pictures or its CSV, its
// title and its waves or columns; names and titles in the host's code page
// arrive as UTF-8, with the characters of markup escaped.
TEST(PictureIndex, ListsEveryWindowWithItsFilesTitleAndWaves) {
  Workbench wb;
  RunAll(wb, {"Make/O/N=5 'a<b>&c', '\xB5V', xs", "Display 'a<b>&c' vs xs",
              "TextBox/N=head \"\\JC\\f01Cell \\\"3\\\" & <B> at 5 \xB0" "C\"",
              "Edit 'a<b>&c', '\xB5V'", "Display '\xB5V'", "AppendToGraph 'a<b>&c'",
              "ErrorBars '\xB5V' Y,wave=(xs,xs)"});
  TempDir dir;
  std::string error;
  ASSERT_TRUE(WritePlots(wb, dir.path().string(), {}, &error)) << error;
  const IndexView view = ReadIndex(ReadFile(dir.File("index.html")));
  EXPECT_THAT(view.texts.at("window"), ElementsAre("Graph0", "Table0", "Graph1"));
  EXPECT_THAT(view.images, ElementsAre("Graph0.png", "Graph1.png"));
  EXPECT_THAT(view.links, ElementsAre("Graph0.svg", "Table0.csv", "Graph1.svg"));
  const std::string micro = "\xC2\xB5";
  EXPECT_THAT(view.texts.at("title"),
              ElementsAre("Cell \"3\" & <B> at 5 \xC2\xB0" "C", "Table0:a<b>&c," + micro + "V",
                          "Graph1:" + micro + "V,a<b>&c"))
      << "a text box titles its graph; others are titled by their waves";
  EXPECT_THAT(view.texts.at("waves"),
              ElementsAre("a<b>&c vs xs", micro + "V \xC2\xB1 xs, a<b>&c"));
  EXPECT_THAT(view.texts.at("columns"), ElementsAre("x, a<b>&c, " + micro + "V"));
  EXPECT_FALSE(view.scripts);
  for (const char* file : {"Graph0.png", "Graph1.svg", "Table0.csv"})
    EXPECT_TRUE(std::filesystem::exists(dir.File(file))) << file;
  // The pictures are well-formed XML too: the text box's "<" and "&" are
  // escaped there as well.
  EXPECT_EQ(ReadIndex(ReadFile(dir.File("Graph0.svg"))).root, "svg");
}

}  // namespace
}  // namespace kwt
