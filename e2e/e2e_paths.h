#pragma once
// Where the harness finds the Windows programs and keeps its own files. The
// locations are fixed when the native build is configured; the environment
// variables LUMOVA_E2E_BUILD_DIR and LUMOVA_WIN_BUILD override them.

#include <filesystem>

namespace lumova::e2e {

std::filesystem::path buildDir();     // the native build tree
std::filesystem::path winBuildDir();  // the Windows build tree; throws HarnessError if unknown

std::filesystem::path templatePrefixDir();  // the Wine prefix every test copies
std::filesystem::path workRoot();           // one folder per test below it
std::filesystem::path artifactsDir();       // screenshots and logs of failed tests

std::filesystem::path saverProgram();     // Lumova.scr
std::filesystem::path launcherProgram();  // lumova_e2e_launcher.exe
std::filesystem::path probeProgram();     // lumova_e2e_probe.exe
std::filesystem::path toolProgram();      // lumova_e2e_tool.exe

}  // namespace lumova::e2e
