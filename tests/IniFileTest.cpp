// Reading and writing rules of the INI files (settings and skin descriptions).
#include "util/IniFile.h"
#include "FakePlatform.h"
#include "TempDir.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

namespace {

TEST(IniFileTest, TrimsSkipsCommentsAndMatchesNamesWithoutCase) {
    const IniFile ini = IniFile::FromBytes("orphan=1\r\n"
                                           "  [ MainWindow ]  \r\n"
                                           "; Top=99\r\n"
                                           "\r\n"
                                           "  Top =  12 \r\n"
                                           "Name= a = b \n"
                                           "[Other]\rkey=x\r");
    EXPECT_EQ(ini.ReadInteger("mainwindow", "TOP", 0), 12);
    EXPECT_EQ(ini.ReadString("MainWindow", "name", "-"), "a = b");
    EXPECT_EQ(ini.ReadString("other", "Key", "-"), "x");
    EXPECT_FALSE(ini.ValueExists("MainWindow", "orphan"));
    EXPECT_EQ(ini.ReadString("MainWindow", "missing", "dflt"), "dflt");
}

TEST(IniFileTest, EmptyValueIsNotTheDefault) {
    const IniFile ini = IniFile::FromBytes("[SkinInfo]\r\nSkinName=\r\n");
    EXPECT_EQ(ini.ReadString("SkinInfo", "SkinName", "No Name"), "");
}

TEST(IniFileTest, IntegersDecimalAndHexWithDefaultsForBadValues) {
    const IniFile ini = IniFile::FromBytes("[S]\na=-42\nb=$1F\nc=0x10\nd=12px\ne=\nf=$FFFFFF00\n"
                                           "g=99999999999\nh=0X7fffffff\n");
    EXPECT_EQ(ini.ReadInteger("S", "a", 0), -42);
    EXPECT_EQ(ini.ReadInteger("S", "b", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "c", 0), 16);
    EXPECT_EQ(ini.ReadInteger("S", "d", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "e", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "f", 0), -256);
    EXPECT_EQ(ini.ReadInteger("S", "g", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "h", 0), 0x7fffffff);
}

TEST(IniFileTest, BooleansAreIntegers) {
    const IniFile ini = IniFile::FromBytes("[S]\nzero=0\none=1\ntwo=2\nbad=yes\n");
    EXPECT_FALSE(ini.ReadBool("S", "zero", true));
    EXPECT_TRUE(ini.ReadBool("S", "one", false));
    EXPECT_TRUE(ini.ReadBool("S", "two", false));
    EXPECT_TRUE(ini.ReadBool("S", "bad", true));
    EXPECT_FALSE(ini.ReadBool("S", "bad", false));
    EXPECT_TRUE(ini.ReadBool("S", "missing", true));
}

TEST(IniFileTest, WritingAppendsKeysAndSectionsAndDropsIgnoredLines) {
    IniFile ini = IniFile::FromBytes("; comment\r\n[EditWindow]\r\nPhrase1 = 挨拶\r\n\r\n"
                                     "[mainwindow]\r\nTop=1\r\n");
    ini.WriteInteger("MainWindow", "Top", 5);
    ini.WriteInteger("MainWindow", "Left", -3);
    ini.WriteBool("MainWindow", "Visible", true);
    ini.WriteString("Skin", "Folder", "\\skin\\default");
    EXPECT_EQ(ini.ToBytes(), "[EditWindow]\r\nPhrase1=挨拶\r\n\r\n"
                             "[mainwindow]\r\nTop=5\r\nLeft=-3\r\nVisible=1\r\n\r\n"
                             "[Skin]\r\nFolder=\\skin\\default\r\n\r\n");
}

TEST(IniFileTest, CaseFoldingLeavesDoubleByteCharactersAlone) {
    // "ア" is 0x83 0x41 and "ラ" is 0x83 0x89... use two characters whose second bytes are
    // the ASCII letters 'A' and 'a': 0x83 0x41 and 0x83 0x61.
    IniFile ini = IniFile::FromBytes("[S]\n\x83\x41=first\n");
    EXPECT_EQ(ini.ReadString("S", "\x83\x61", "none"), "none");
    EXPECT_EQ(ini.ReadString("S", "\x83\x41", "none"), "first");
    EXPECT_TRUE(SameNameIgnoringCase("Box1", "bOX1"));
}

TEST(IniFileTest, LoadOfAMissingFileIsEmptyAndSaveCreatesIt) {
    FakePlatform::Scope fake;
    TempCurrentDir dir;
    IniFile ini = IniFile::Load("TabukoExc.ini");
    EXPECT_TRUE(ini.SectionNames().empty());
    ini.WriteInteger("MainWindow", "Top", 3);
    platform::SaveFile("TabukoExc.ini", ini.ToBytes());
    EXPECT_EQ(ReadBytes(dir.file("TabukoExc.ini")), "[MainWindow]\r\nTop=3\r\n\r\n");
    EXPECT_EQ(IniFile::Load("TabukoExc.ini").ReadInteger("MainWindow", "Top", 0), 3);
}

} // namespace
