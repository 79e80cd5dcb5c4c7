#include "win32/WinServices.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "services/StoredPath.h"
#include "win32/LoadWhenNeeded.h"
#include "win32/Utf.h"

namespace win32 {

namespace {
DWORD WINAPI RunWork(void* p) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(p));
    Safely(*work, L"Kelvr: work on a thread of its own failed\n");
    return 0;
}
}  // namespace

bool RunOnThread(std::function<void()> work, std::size_t stack) {
    auto* held = new std::function<void()>(std::move(work));
    const HANDLE thread =
        CreateThread(nullptr, stack, RunWork, held, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) {
        delete held;
        return false;
    }
    CloseHandle(thread);
    return true;
}

services::Date WinClock::Today() const {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay};
}

namespace {
// The user's setting, empty too (no grouping at all); `fallback` only where there is none.
std::string LocaleText(LCTYPE what, const char* fallback) {
    wchar_t buf[16];
    int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, what, buf, 16);
    if (n <= 0)
        return fallback;
    return Narrow(std::wstring(buf, n - 1));
}
}  // namespace

services::NumberSeparators WinLocale::Separators() const {
    return {LocaleText(LOCALE_SDECIMAL, "."), LocaleText(LOCALE_STHOUSAND, ",")};
}

std::vector<char> WinDriveSource::Letters() const {
    std::vector<char> letters;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i))
            letters.push_back(static_cast<char>('a' + i));
    return letters;
}

std::string WinDriveSource::Entry(char letter) const {
    const wchar_t l = static_cast<wchar_t>(letter);
    const wchar_t root[] = {l, L':', L'\\', 0};
    const wchar_t device[] = {l, L':', 0};
    std::wstring entry(device);
    std::wstring label;
    switch (GetDriveTypeW(root)) {
        case DRIVE_REMOTE: {
            wchar_t share[MAX_PATH + 1];
            DWORD size = MAX_PATH + 1;
            // Loaded with the first network drive (its first use on any thread is safe).
            using GetConnection = DWORD(WINAPI*)(LPCWSTR, LPWSTR, LPDWORD);
            static const auto getConnection =
                LoadWhenNeeded<GetConnection>(L"mpr.dll", "WNetGetConnectionW");
            if (getConnection && getConnection(device, share, &size) == NO_ERROR)
                label = share;
            break;
        }
        case DRIVE_FIXED:
        case DRIVE_CDROM:
        case DRIVE_RAMDISK: {
            wchar_t name[MAX_PATH + 1];
            if (GetVolumeInformationW(root, name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr,
                                      0))
                label = name;
            break;
        }
        default:
            break;
    }
    if (!label.empty())
        entry += L" [" + label + L"]";
    return Narrow(entry);
}

// The 64-bit counts: the cluster counts of GetDiskFreeSpace are 32-bit and cannot hold those
// of a volume of 2^32 clusters or more (16 TiB in clusters of 4 KiB).
services::DiskFigures WinDiskQuery::Query(const std::string& root) {
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExW(Widen(root).c_str(), &available, &total, &free))
        return {};
    return {available.QuadPart, total.QuadPart};
}

namespace {
// The path in the form the W functions take at any length. That form is passed on untouched, so
// the path is first made full and tidied up as the system tidies a short one (separators, "."
// and "..", trailing dots and spaces), and names the same file at any length.
std::wstring LongPath(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0)
        return path;
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD n = size ? GetFullPathNameW(path.c_str(), size, &full[0], nullptr) : 0;
    if (n == 0 || n >= size)
        return path;
    full.resize(n);
    if (full.rfind(L"\\\\.\\", 0) == 0)  // a device's
        return full;
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Set once the system has refused FindExInfoBasic and FIND_FIRST_EX_LARGE_FETCH.
std::atomic<bool> basicRefused{false};

// The folder's first entry. Windows 7 and later list faster when spared the short names and
// asked for entries in large batches; Vista and XP refuse both (ERROR_INVALID_PARAMETER), and
// are asked in the standard way instead, from then on.
HANDLE FirstEntry(const std::wstring& pattern, WIN32_FIND_DATAW& found) noexcept {
    const bool refused = basicRefused.load() || PretendedMissing("FindExInfoBasic");
    if (!refused) {
        const HANDLE find =
            FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                             nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (find != INVALID_HANDLE_VALUE || GetLastError() != ERROR_INVALID_PARAMETER)
            return find;
    }
    const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &found,
                                         FindExSearchNameMatch, nullptr, 0);
    if (!refused && find != INVALID_HANDLE_VALUE)
        basicRefused = true;
    return find;
}
}  // namespace

bool WinFileSystem::IsPlainFile(const std::string& path) const {
    const DWORD attributes = GetFileAttributesW(LongPath(Widen(path)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

// Opening a folder can take long: a folder on a share that does not answer takes as long as the
// system waits for the share, and some systems (Wine) read and sort a whole folder before
// FindFirstFileExW returns its first entry. The window would freeze meanwhile: the opener's
// thread makes that call while the window's thread goes on running `meanwhile`. The two events
// hand the request over and the answer back, so that only one thread at a time touches the other
// fields. Each side signals the other and waits in one call (SignalObjectAndWait), so that
// handing a folder over costs far less than listing even a small one.
struct WinFileSystem::Opener {
    HANDLE asked = CreateEventW(nullptr, FALSE, FALSE, nullptr);     // `pattern`, or `stop`
    HANDLE answered = CreateEventW(nullptr, FALSE, FALSE, nullptr);  // `find` and `found`
    std::wstring pattern;
    std::atomic<bool> stop{false};  // the thread ends once idle
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW found{};

    ~Opener() {
        for (HANDLE event : {asked, answered})
            if (event)
                CloseHandle(event);
    }

    void Run() {
        DWORD woken = WaitForSingleObject(asked, INFINITE);
        while (woken == WAIT_OBJECT_0 && !stop) {
            // (Nothing here throws: the caller waits for the answer, and always has it.)
            find = FirstEntry(pattern, found);
            woken = SignalObjectAndWait(answered, asked, INFINITE, FALSE);
        }
    }
};

// The opener's thread ends on its own once idle (a folder it is opening may take its time).
WinFileSystem::~WinFileSystem() {
    if (!opener_)
        return;
    opener_->stop = true;
    SetEvent(opener_->asked);
}

HANDLE WinFileSystem::OpenMeanwhile(const std::wstring& pattern, WIN32_FIND_DATAW& found,
                                    const std::function<void()>& meanwhile) const {
    if (opening_)  // a listing started by `meanwhile` itself: the opener is taken
        return FirstEntry(pattern, found);
    if (!opener_) {
        auto o = std::make_shared<Opener>();
        if (!o->asked || !o->answered || !RunOnThread([o] { o->Run(); }, 64 * 1024))
            return FirstEntry(pattern, found);
        opener_ = o;
    }
    Opener& o = *opener_;
    opening_ = true;
    o.pattern = pattern;
    DWORD answered = SignalObjectAndWait(o.asked, o.answered, 10, FALSE);
    while (answered != WAIT_OBJECT_0) {
        meanwhile();
        answered = WaitForSingleObject(o.answered, 10);
    }
    found = o.found;
    opening_ = false;
    return o.find;
}

bool WinFileSystem::Subfolders(const std::string& folder, std::vector<std::string>& out) const {
    bool hasFile = false;
    return ListFolder(folder, std::string(), out, hasFile, nullptr);
}

bool WinFileSystem::ListFolder(const std::string& folder, const std::string& fileName,
                               std::vector<std::string>& subfolders, bool& hasFile,
                               const std::function<void()>& meanwhile) const {
    hasFile = false;
    std::string base = folder;
    if (base.empty() || base.back() != '\\')
        base += '\\';
    const std::wstring wanted = Widen(fileName);
    WIN32_FIND_DATAW found;
    const std::wstring pattern = LongPath(Widen(base + "*"));
    HANDLE find = meanwhile ? OpenMeanwhile(pattern, found, meanwhile) : FirstEntry(pattern, found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    unsigned entries = 0;
    do {
        if (meanwhile && ++entries % 512 == 0)
            meanwhile();
        const DWORD a = found.dwFileAttributes;
        const wchar_t* name = found.cFileName;
        if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
            // A plain file: not hidden, not a system file.
            if (!wanted.empty() && !(a & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) &&
                _wcsicmp(name, wanted.c_str()) == 0)
                hasFile = true;
            continue;
        }
        if ((a & FILE_ATTRIBUTE_REPARSE_POINT) || wcscmp(name, L".") == 0 ||
            wcscmp(name, L"..") == 0)
            continue;
        subfolders.push_back(base + Narrow(name));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return true;
}

// CSIDL_PROGRAM_FILES, which every Windows from XP on answers alike, for a 32-bit program on a
// 64-bit Windows with the folder of 32-bit programs.
bool WinFileSystem::ProgramsFolder(std::string& folder) const {
    using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
    static const auto getPath = LoadWhenNeeded<GetFolderPath>(L"shell32.dll", "SHGetFolderPathW");
    wchar_t path[MAX_PATH];
    if (!getPath ||
        getPath(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return false;
    folder = Narrow(path);
    return true;
}

namespace {
// Where the system cannot say where links lead (XP has no GetFinalPathNameByHandleW): a path
// through no link or junction is its own final name, given with each part's letters as stored.
// A path through one is refused, so that nothing is ever taken for the folder a link leads to;
// and so is any but a drive's: the programs folder is on one.
bool LinkFreePath(const std::string& path, std::string& out) {
    std::wstring given = Widen(path);
    if (given.rfind(L"\\\\?\\", 0) == 0)  // only a drive's path comes this way
        given = given.size() > 5 && given[5] == L':' ? given.substr(4) : std::wstring();
    std::wstring full(32768, L'\0');
    const DWORD n =
        GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (n == 0 || n >= full.size())
        return false;
    full.resize(n);
    return services::StoredPath(
        Narrow(full),
        [](const std::string& folder, const std::string& part, std::string& name) {
            WIN32_FIND_DATAW found;
            const HANDLE find =
                FindFirstFileW(LongPath(Widen(folder + "\\" + part)).c_str(), &found);
            if (find == INVALID_HANDLE_VALUE)
                return false;
            FindClose(find);
            name = Narrow(found.cFileName);
            return !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        },
        out);
}
}  // namespace

bool WinFileSystem::FinalPath(const std::string& path, std::string& out) const {
    using GetFinalName = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
    const auto finalName =
        LoadWhenNeeded<GetFinalName>(L"kernel32.dll", "GetFinalPathNameByHandleW");
    if (!finalName)
        return LinkFreePath(path, out);
    // No access is asked for: the name needs none, and the folder may be one the user cannot
    // read. Backup semantics let a folder be opened at all.
    const HANDLE file = CreateFileW(LongPath(Widen(path)).c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // Room for the longest name the system has, so that one call does.
    std::wstring name(32768, L'\0');
    const DWORD n =
        finalName(file, &name[0], static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (n == 0 || n >= name.size())
        return false;
    name.resize(n);
    if (name.rfind(L"\\\\?\\UNC\\", 0) == 0)
        name = L"\\\\" + name.substr(8);
    else if (name.rfind(L"\\\\?\\", 0) == 0)
        name = name.substr(4);
    out = Narrow(name);
    return true;
}

HKEY RegistryRoot(std::uint32_t root) {
    for (HKEY key : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                     HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG})
        if (static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(key)) == root)
            return key;
    return nullptr;
}

namespace {
// The registry is read only when a button asks for the system information tool.
struct RegistryCalls {
    using Open = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
    using Query = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    using Close = LONG(WINAPI*)(HKEY);
    Open open = LoadWhenNeeded<Open>(L"advapi32.dll", "RegOpenKeyExA");
    Query query = LoadWhenNeeded<Query>(L"advapi32.dll", "RegQueryValueExA");
    Close close = LoadWhenNeeded<Close>(L"advapi32.dll", "RegCloseKey");
};

const RegistryCalls& Advapi() {
    static const RegistryCalls calls;
    return calls;
}
}  // namespace

long WinRegistry::OpenKey(std::uint32_t root, const std::string& name, std::uint32_t access,
                          services::RegistryKey& key) {
    HKEY opened = nullptr;
    if (!Advapi().open)
        return ERROR_CALL_NOT_IMPLEMENTED;
    const LONG r = Advapi().open(RegistryRoot(root), Utf8ToAnsi(name).c_str(), 0, access, &opened);
    key = reinterpret_cast<services::RegistryKey>(opened);
    return r;
}

long WinRegistry::QueryValue(services::RegistryKey key, const std::string& name,
                             std::uint32_t& type, char* buffer, std::uint32_t& size) {
    DWORD t = 0;
    DWORD got = size;
    std::string data(size, '\0');
    if (!Advapi().query)
        return ERROR_CALL_NOT_IMPLEMENTED;
    const LONG r = Advapi().query(reinterpret_cast<HKEY>(key), Utf8ToAnsi(name).c_str(), nullptr,
                                  &t, reinterpret_cast<BYTE*>(&data[0]), &got);
    type = t;
    if (r != ERROR_SUCCESS) {
        size = got;
        return r;
    }
    data.resize(got);
    // Text arrives in the ANSI code page; the program speaks UTF-8.
    if (t == REG_SZ || t == REG_EXPAND_SZ || t == REG_MULTI_SZ)
        data = AnsiToUtf8(data);
    const bool fits = data.size() <= size;
    if (fits)
        std::memcpy(buffer, data.data(), data.size());
    size = static_cast<std::uint32_t>(data.size());
    return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

void WinRegistry::CloseKey(services::RegistryKey key) {
    if (key && Advapi().close)
        Advapi().close(reinterpret_cast<HKEY>(key));
}

namespace {
// One opening by the shell, on a thread of its own.
struct Opening {
    HWND owner;
    std::wstring file, directory;
    int show;

    // The shell's handlers may be COM objects, made in the calling thread's apartment: a
    // single-threaded one, as the shell asks of its callers. The thread ends as the call
    // returns: the call waits until a handler that takes the file by DDE (a mail program's, an
    // older browser's) has it, as the shell asks of such callers (SEE_MASK_NOASYNC). A failure
    // brings no message of the shell's: the program does not look at the result.
    void Run() const {
        using ShellExecuteCall = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
        using Initialize = HRESULT(WINAPI*)(void*, DWORD);
        using Uninitialize = void(WINAPI*)();
        static const auto execute =
            LoadWhenNeeded<ShellExecuteCall>(L"shell32.dll", "ShellExecuteExW");
        static const auto initialize = LoadWhenNeeded<Initialize>(L"ole32.dll", "CoInitializeEx");
        static const auto uninitialize =
            LoadWhenNeeded<Uninitialize>(L"ole32.dll", "CoUninitialize");
        const bool com =
            initialize && uninitialize &&
            SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
        info.hwnd = owner;
        info.lpFile = file.c_str();
        info.lpDirectory = directory.c_str();
        info.nShow = show;
        if (execute)
            execute(&info);
        if (com)
            uninitialize();
    }
};
}  // namespace

// The shell looks the file up, reads its type and maybe its contents before it starts
// anything, on the calling thread: for a file on a share that does not answer, for as long as
// the system waits for the share. The window's thread hands the opening over and goes on. The
// wide call, so that a path found on disk reaches the shell whatever its letters.
void WinShell::Execute(std::uintptr_t owner, const std::string& file, const std::string& directory,
                       int show) {
    const Opening opening{reinterpret_cast<HWND>(owner), Widen(file), Widen(directory), show};
    if (!RunOnThread([opening] { opening.Run(); }, 0))
        opening.Run();  // no thread to spare: opened here, as asked
}

}  // namespace win32
