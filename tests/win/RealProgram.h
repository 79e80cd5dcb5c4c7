// The whole program over the real services, made as WinMain makes it, for the tests that drive
// its windows; `Files` is the file system it is given. ShownProgram is the usual start of a
// test: the program with its main window shown.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <ole2.h>

#include "main/Program.h"
#include "win32/RealServices.h"
#include "win32/WinHost.h"

namespace probe {

template <class Files = win32::WinFileSystem>
struct RealProgram {
    win32::WinHost host{GetModuleHandleW(nullptr)};
    win32::RealServices services;
    Files files;
    kelvr::Program program{services.For(host, host, files)};
};

// The thread is a single-threaded COM apartment, as a screen reader's own is, for the tests
// that read the windows' accessible objects.
template <class Files = win32::WinFileSystem>
class ShownProgram : public ::testing::Test, protected RealProgram<Files> {
  protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        this->program.Main().Show();
        this->host.DoEvents();
        main = reinterpret_cast<HWND>(this->program.Main().hWnd());
    }
    void TearDown() override { CoUninitialize(); }

    kelvr::FreeAll& Main() { return this->program.Main(); }

    HWND main = nullptr;
};

}  // namespace probe
