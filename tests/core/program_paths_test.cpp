// The paths fixed beside the program, and the user's own folder an installed copy writes to instead.

#include "core/program_paths.h"

#include <gtest/gtest.h>

#include <optional>

namespace mivo {
namespace {

TEST(ProgramPaths, WhatTheProgramWritesMovesWithTheWritableFolder) {
    ProgramPaths p = ProgramPaths::beside("/opt/m", '/');
    EXPECT_EQ(p.defaultIni, "/opt/m/Mivo.ini");
    EXPECT_EQ(p.dgdecodeCopy, "/opt/m/DGDecode.dll");
    p.useWritableFolder("/home/u/.config/mivogui/");
    EXPECT_EQ(p.writableFolder, "/home/u/.config/mivogui/");
    EXPECT_EQ(p.defaultIni, "/home/u/.config/mivogui/Mivo.ini");
    EXPECT_EQ(p.dgdecodeCopy, "/home/u/.config/mivogui/DGDecode.dll");
    // What the program only reads stays beside it.
    EXPECT_EQ(p.dgdecodeFolder, "/opt/m/DGDecode/");
    EXPECT_EQ(p.matrixFolder, "/opt/m/matrix/");
    EXPECT_EQ(p.encoder, "/opt/m/Dazuzer_024.exe");
}

TEST(ProgramPaths, TheUserFolderFollowsTheXdgRule) {
    using Env = std::optional<std::string>;
    const struct {
        Env xdg, home;
        const char* folder;
    } cases[] = {
        {"/x/conf", "/home/u", "/x/conf/mivogui/"},
        {"/x/conf/", std::nullopt, "/x/conf/mivogui/"},
        {std::nullopt, "/home/u", "/home/u/.config/mivogui/"},
        {"", "/home/u/", "/home/u/.config/mivogui/"},
        {"relative/conf", "/home/u", "/home/u/.config/mivogui/"}, // not absolute: ignored
        {std::nullopt, "relative", ""},
        {std::nullopt, std::nullopt, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(userSettingsFolder(c.xdg, c.home, '/'), c.folder)
            << c.xdg.value_or("(unset)") << " " << c.home.value_or("(unset)");
}

} // namespace
} // namespace mivo
