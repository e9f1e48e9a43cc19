#include "platform/paths/Paths.h"

#include <gtest/gtest.h>

namespace {

TEST(ApplicationNameOf, ProgramFileNameWithoutFolderAndLastExtension) {
    const struct {
        const char* file;
        const char* name;
    } table[] = {
        {"/usr/bin/VELDOR", "VELDOR"},
        {"/opt/VELDOR.bin", "VELDOR"},
        {"/home/u/veldor-1.0.2", "veldor-1.0"},
        {"/home/u/my.veldor.AppImage", "my.veldor"},
        {"./VELDOR2", "VELDOR2"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(ApplicationNameOf(QString::fromUtf8(row.file)), QString::fromUtf8(row.name))
            << row.file;
    }
}

} // namespace
