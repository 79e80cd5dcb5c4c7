// The search of the maker window's "? &Sistema" button, run natively: the program's own
// InfQirvo, over a file system on POSIX calls that shows a folder tree as "C:\Programmi", timed
// against find(1) on the same tree.
//
//   kelvr_search_bench make-tree DIR fan F LEVELS   F subfolders in every folder, LEVELS deep
//   kelvr_search_bench make-tree DIR wide N         N subfolders in DIR
//       Every folder made also holds one empty file, "leggimi.txt"; none holds MSINFO32.EXE.
//   kelvr_search_bench run [--runs N] [--breakdown] LABEL DIR
//       One warm-up of each, then N runs of each, alternated; prints one row of the table
//       (see SearchParts.h) and, with --breakdown, a row "B| ..." telling where one more
//       search, instrumented, spent its time.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "SearchParts.h"
#include "forms/Form.h"
#include "info/InfQirvo.h"
#include "sysinfo/Global.h"
#include "sysinfo/SubModuli.h"

extern char** environ;

namespace {

using bench::Clock;
using bench::Die;

// "C:\Programmi" and the paths below it, mapped onto a Unix folder. Subfolders are listed as
// the system gives them, links and everything but folders left out.
class PosixFileSystem : public services::FileSystem {
  public:
    explicit PosixFileSystem(std::string root) : root_(std::move(root)) {}

    bool IsPlainFile(const std::string& path) const override {
        std::string unix;
        if (!Map(path, unix))
            return false;
        struct stat st;
        if (stat(unix.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return false;
        const std::size_t slash = unix.rfind('/');
        return unix[slash + 1] != '.';  // a dot file is a hidden one
    }

    bool Subfolders(const std::string& folder, std::vector<std::string>& out) const override {
        std::string unix;
        if (!Map(folder, unix))
            return false;
        DIR* dir = opendir(unix.c_str());
        if (!dir)
            return false;
        std::string base = folder;
        if (base.empty() || base.back() != '\\')
            base += '\\';
        while (const dirent* e = readdir(dir)) {
            const char* name = e->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            unsigned char type = e->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st;
                if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
            }
            if (type == DT_DIR)
                out.push_back(base + name);
        }
        closedir(dir);
        return true;
    }

    // The mapped folder stands for the system's programs folder, and holds no link that the
    // search would look through.
    bool ProgramsFolder(std::string& folder) const override {
        folder = kelvr::InfQirvo::kSearchStart;
        return true;
    }
    bool FinalPath(const std::string& path, std::string& out) const override {
        std::string unix;
        struct stat st;
        if (!Map(path, unix) || stat(unix.c_str(), &st) != 0)
            return false;
        out = path;
        return true;
    }

  private:
    bool Map(const std::string& path, std::string& unix) const {
        static const std::string start = kelvr::InfQirvo::kSearchStart;
        if (path.size() < start.size() || strncasecmp(path.c_str(), start.c_str(), start.size()))
            return false;
        if (path.size() > start.size() && path[start.size()] != '\\')
            return false;
        unix = root_;
        for (std::size_t i = start.size(); i < path.size(); ++i)
            unix += path[i] == '\\' ? '/' : path[i];
        return true;
    }

    std::string root_;
};

class NullFormPeer : public forms::FormPeer {
  public:
    void Apply(const forms::Form&) override {}
    void AddControl(forms::Control&) override {}
    void MenuChanged(const forms::MenuItem&) override {}
    std::uintptr_t Hwnd() override { return 0x4b; }
};

// Windows realised as nothing; a yield only records when it happened; message boxes are
// recorded, not shown.
class BenchHost : public forms::FormHost {
  public:
    std::unique_ptr<forms::FormPeer> Realise(forms::Form& form) override {
        form.SetOuterSize(form.DesignWidth() + 120, form.DesignHeight() + 405);
        return std::make_unique<NullFormPeer>();
    }
    void RunModal(forms::Form& form) override { form.Show(); }
    void DoEvents() override {
        const auto t = Clock::now();
        log.in.push_back(t);
        log.out.push_back(t);
    }
    void MsgBox(const std::string& prompt) override { messages.push_back(prompt); }
    // The search runs no work aside and waits for none.
    bool RunAside(std::function<void()>) override { return false; }
    void Post(std::function<void()>) override {}
    bool WaitFor(const std::function<bool()>& done, Deadline) override { return done(); }
    bool Ending() const override { return false; }

    bench::YieldLog log;
    std::vector<std::string> messages;
};

class BenchScreen : public forms::Screen {
  public:
    double Width() const override { return 1024 * 15; }
    double Height() const override { return 768 * 15; }
};

// The maker window on the bench's services; Search() is one click of "? &Sistema".
class Rig {
  public:
    explicit Rig(const services::FileSystem& files)
        : launcher_(host_, registry_, shell_, files, [this] { return window_->hWnd(); }) {
        window_ = std::make_unique<kelvr::InfQirvo>(
            kelvr::Services{host_, screen_, clock_, locale_, nullptr, nullptr, files, registry_,
                            shell_},
            launcher_);
        window_->Show();
    }

    bench::SearchRun Search(std::size_t folders) {
        return bench::ClickAndTime(*window_, host_, shell_, folders);
    }

  private:
    BenchHost host_;
    BenchScreen screen_;
    bench::FixedClock clock_;
    bench::FixedLocale locale_;
    bench::NoRegistry registry_;
    bench::CountingShell shell_;
    std::unique_ptr<kelvr::InfQirvo> window_;
    kelvr::SubModuli launcher_;
};

// find DIR -name MSINFO32.EXE, as a child process with its output thrown away.
double TimeFind(const std::string& dir) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::string d = dir;
    char arg0[] = "find", name[] = "-name", tool[] = "MSINFO32.EXE";
    char* argv[] = {arg0, &d[0], name, tool, nullptr};
    const auto t = Clock::now();
    pid_t pid;
    if (posix_spawnp(&pid, "find", &actions, nullptr, argv, environ) != 0)
        Die("cannot start find");
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const double ms = bench::Ms(Clock::now() - t);
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Die("find failed on " + dir);
    return ms;
}

std::size_t CountFolders(const services::FileSystem& fs, const std::string& folder) {
    std::vector<std::string> subs;
    fs.Subfolders(folder, subs);
    std::size_t n = subs.size();
    for (const std::string& s : subs) n += CountFolders(fs, s);
    return n;
}

void MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0)
        Die("cannot make " + path + ": " + std::strerror(errno));
    const std::string file = path + "/leggimi.txt";
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        Die("cannot make " + file);
    close(fd);
}

std::size_t MakeFan(const std::string& dir, int fan, int levels) {
    if (levels == 0)
        return 0;
    std::size_t made = 0;
    for (int i = 0; i < fan; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/Cartella %02d", i);
        const std::string sub = dir + name;
        MakeFolder(sub);
        made += 1 + MakeFan(sub, fan, levels - 1);
    }
    return made;
}

int MakeTree(int argc, char** argv) {
    const std::string shape = argc >= 4 ? argv[3] : "";
    std::size_t made = 0;
    if (argc == 6 && shape == "fan") {
        MakeFolder(argv[2]);
        made = MakeFan(argv[2], std::atoi(argv[4]), std::atoi(argv[5]));
    } else if (argc == 5 && shape == "wide") {
        MakeFolder(argv[2]);
        const int n = std::atoi(argv[4]);
        for (int i = 0; i < n; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/Componente %05d", i);
            MakeFolder(argv[2] + std::string(name));
        }
        made = static_cast<std::size_t>(n);
    } else {
        Die("usage: make-tree DIR fan F LEVELS | make-tree DIR wide N");
    }
    std::printf("%zu\n", made);
    return 0;
}

int Run(int argc, char** argv) {
    int runs = 7;
    bool breakdown = false;
    int i = 2;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        const std::string opt = argv[i];
        if (opt == "--runs" && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else if (opt == "--breakdown")
            breakdown = true;
        else
            Die("unknown option " + opt);
    }
    if (argc - i != 2)
        Die("usage: run [--runs N] [--breakdown] LABEL DIR");
    const std::string label = argv[i], dir = argv[i + 1];

    PosixFileSystem files(dir);
    const std::size_t folders = CountFolders(files, kelvr::InfQirvo::kSearchStart);
    Rig rig(files);
    bench::Series s;
    rig.Search(folders);  // warm-up: the tree in the cache, the code and the heap warm
    TimeFind(dir);
    for (int r = 0; r < runs; ++r) {
        if (r % 2 == 0) {
            s.program.push_back(rig.Search(folders));
            s.referenceMs.push_back(TimeFind(dir));
        } else {
            s.referenceMs.push_back(TimeFind(dir));
            s.program.push_back(rig.Search(folders));
        }
        // One yield after every folder at least; reading a large folder adds more.
        if (s.program.back().yields < folders)
            Die("the search yielded " + std::to_string(s.program.back().yields) + " times over " +
                std::to_string(folders) + " folders");
    }
    bench::PrintRow(label, folders, s);

    if (breakdown) {
        bench::Breakdown b;
        bench::TimedFileSystem timed(files, b);
        Rig instrumented(timed);
        const bench::SearchRun r = instrumented.Search(folders);
        bench::PrintBreakdownRow(label, r, b);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "make-tree")
        return MakeTree(argc, argv);
    if (argc >= 2 && std::string(argv[1]) == "run")
        return Run(argc, argv);
    std::fprintf(stderr,
                 "usage: kelvr_search_bench make-tree DIR (fan F LEVELS | wide N)\n"
                 "       kelvr_search_bench run [--runs N] [--breakdown] LABEL DIR\n");
    return 2;
}
