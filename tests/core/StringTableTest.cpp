// SPDX-License-Identifier: GPL-3.0-or-later
// The string table's lines with and without the name column.
#include <gtest/gtest.h>

#include <string>

#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace {

struct LineCase {
    const char* what;
    const char* unnamed;  // "id<TAB>text"
    const char* named;    // the same line with a name column
    int id;
    const char* text;     // what both lines hold
};

const LineCase kLineCases[] = {
    {"plain text", "61448\tBeim Speichern", "61448\tIDS_SAVE_FAILED\tBeim Speichern", 61448, "Beim Speichern"},
    {"text that is one upper-case word", "59138\tNUM", "59138\tIDS_NUM\tNUM", 59138, "NUM"},
    {"text beginning with an upper-case word", "40604\tJPEG progressiv", "40604\tIDS_JPEG\tJPEG progressiv", 40604,
     "JPEG progressiv"},
    {"text looking like a name and a tab", "40605\tOK\\tweiter", "40605\tIDS_OK\tOK\\tweiter", 40605, "OK\tweiter"},
    {"escapes", "41110\t\\\\Pfad\\n\\tStrg+O", "41110\tIDS_ITEM_OPEN\t\\\\Pfad\\n\\tStrg+O", 41110,
     "\\Pfad\n\tStrg+O"},
    {"empty text", "7\t", "7\tIDS_EMPTY\t", 7, ""},
    {"line ending CR LF", "8\tText\r", "8\tIDS_TEXT\tText\r", 8, "Text"},
};

TEST(StringTable, NamedAndUnnamedLinesHoldTheSameText)
{
    for (const LineCase& line : kLineCases) {
        SCOPED_TRACE(line.what);
        for (const char* written : {line.unnamed, line.named}) {
            SCOPED_TRACE(written);
            const auto table = ParseStringTable(written);
            ASSERT_EQ(table.size(), 1u);
            ASSERT_EQ(table.count(line.id), 1u);
            EXPECT_EQ(table.at(line.id), line.text);
        }
    }
}

TEST(StringTable, TableMixesNamedUnnamedAndCommentLines)
{
    const auto table = ParseStringTable(
        "# comment\tWITH_TAB\ttext\n"
        "\n"
        "1\tIDS_ONE\tEins\n"
        "2\tZWEI drei\n"
        "3\tIDS_THREE\tDrei;[x]\n"
        "4\tVIER");
    EXPECT_EQ(table.size(), 4u);
    EXPECT_EQ(table.at(1), "Eins");
    EXPECT_EQ(table.at(2), "ZWEI drei");
    EXPECT_EQ(table.at(3), "Drei;[x]");
    EXPECT_EQ(table.at(4), "VIER");
}

TEST(StringTable, BuiltInTableKeepsTextsBehindNames)
{
    EXPECT_EQ(GermanString(AFX_IDS_APP_TITLE), "Grimasso");
    EXPECT_EQ(GermanString(IDS_SAVE_FAILED), "Beim Speichern der Datei ist ein Fehler aufgetreten");
    EXPECT_EQ(GermanString(IDS_DIALOG_OK), "OK");
    EXPECT_EQ(GermanString(IDS_ITEM_OPEN), "Ö&ffnen...\tStrg+O");
    EXPECT_EQ(GermanString(IDS_CLI_USAGE).rfind("Aufruf: grimasso-cli EINGABE", 0), 0u);
    // Unnamed lines (keyed by command ids) read as before, one-word texts included.
    EXPECT_EQ(GermanString(59138), "NUM");
    EXPECT_EQ(GermanString(57601), "Öffnet ein vorhandenes Bild\nÖffnen");
}

}  // namespace
