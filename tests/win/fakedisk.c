/* fakedisk: a FUSE file system that stands in for a real drive of any size or behaviour, for
   the Windows tests run under Wine (linked into a prefix's dosdevices as a drive letter).

     fakedisk MOUNTPOINT [-o FUSE-OPTIONS] -- TOTAL FREE BLOCK HANGFLAG [LABEL [SLOWFILE]]

   TOTAL and FREE are the capacity and the space available, in bytes; BLOCK the block size
   (both are rounded down to whole blocks). While the file HANGFLAG exists, every statfs of
   the drive blocks, as on a network share that does not answer, until the flag goes or the
   caller is being killed: then the request ends with EINTR, as Windows cancels the I/O of a
   dying process. LABEL, when given, is the volume label (Wine reads it from .windows-label;
   "" for none). The root holds one empty file, "keep", for a helper to hold open.

   SLOWFILE, when given, is the name of a second empty file in the root, and then HANGFLAG
   blocks the lookup of that file instead of statfs: a file on a share that stops answering
   while its drive is known. Its lookups are never cached, so that each one reaches here. */
#define FUSE_USE_VERSION 31
#include <errno.h>
#include <fuse.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static unsigned long long total, avail, block;
static const char* hang_flag;
static const char* label = "";
static const char* slow_file; /* the file whose lookup hangs, or NULL */

/* Waits while the hang flag exists: 0 once it has gone, -EINTR when the caller is being killed. */
static int hang(void) {
    const struct timespec pause = {0, 10 * 1000 * 1000};
    while (access(hang_flag, F_OK) == 0) {
        if (fuse_interrupted())
            return -EINTR;
        nanosleep(&pause, NULL);
    }
    return 0;
}

static void* fd_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
    (void)conn;
    cfg->intr = 1; /* interrupted requests are told so through fuse_interrupted() */
    if (slow_file) {
        cfg->entry_timeout = 0;
        cfg->negative_timeout = 0;
        cfg->attr_timeout = 0;
    }
    return NULL;
}

static int fd_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    (void)fi;
    memset(st, 0, sizeof *st);
    if (strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
    } else if (strcmp(path, "/keep") == 0) {
        st->st_mode = S_IFREG | 0644;
        st->st_nlink = 1;
    } else if (strcmp(path, "/.windows-label") == 0 && *label) {
        st->st_mode = S_IFREG | 0644;
        st->st_nlink = 1;
        st->st_size = (off_t)strlen(label);
    } else if (slow_file && strcmp(path + 1, slow_file) == 0) {
        const int held = hang();
        if (held)
            return held;
        st->st_mode = S_IFREG | 0644;
        st->st_nlink = 1;
    } else {
        return -ENOENT;
    }
    return 0;
}

static int fd_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset,
                      struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)offset, (void)fi, (void)flags;
    if (strcmp(path, "/") != 0)
        return -ENOENT;
    fill(buf, ".", NULL, 0, 0);
    fill(buf, "..", NULL, 0, 0);
    fill(buf, "keep", NULL, 0, 0);
    if (*label)
        fill(buf, ".windows-label", NULL, 0, 0);
    if (slow_file)
        fill(buf, slow_file, NULL, 0, 0);
    return 0;
}

static int fd_open(const char* path, struct fuse_file_info* fi) {
    (void)fi;
    if (strcmp(path, "/keep") == 0 || (strcmp(path, "/.windows-label") == 0 && *label))
        return 0;
    return -ENOENT;
}

static int fd_read(const char* path, char* buf, size_t size, off_t offset,
                   struct fuse_file_info* fi) {
    (void)fi;
    const char* text = strcmp(path, "/.windows-label") == 0 ? label : "";
    const size_t length = strlen(text);
    if ((size_t)offset >= length)
        return 0;
    if (size > length - (size_t)offset)
        size = length - (size_t)offset;
    memcpy(buf, text + offset, size);
    return (int)size;
}

static int fd_statfs(const char* path, struct statvfs* st) {
    (void)path;
    if (!slow_file) {
        const int held = hang();
        if (held)
            return held;
    }
    memset(st, 0, sizeof *st);
    st->f_bsize = block;
    st->f_frsize = block;
    st->f_blocks = total / block;
    st->f_bfree = avail / block;
    st->f_bavail = avail / block;
    st->f_files = 1000;
    st->f_ffree = 1000;
    st->f_namemax = 255;
    return 0;
}

static void on_interrupt(int signal) {
    (void)signal;
}

static const struct fuse_operations operations = {
    .init = fd_init,
    .getattr = fd_getattr,
    .readdir = fd_readdir,
    .open = fd_open,
    .read = fd_read,
    .statfs = fd_statfs,
};

int main(int argc, char** argv) {
    int dashes = 0;
    while (dashes < argc && strcmp(argv[dashes], "--") != 0) ++dashes;
    if (argc - dashes < 5) {
        fprintf(
            stderr,
            "usage: %s MOUNTPOINT [-o OPTIONS] -- TOTAL FREE BLOCK HANGFLAG [LABEL [SLOWFILE]]\n",
            argv[0]);
        return 2;
    }
    total = strtoull(argv[dashes + 1], NULL, 10);
    avail = strtoull(argv[dashes + 2], NULL, 10);
    block = strtoull(argv[dashes + 3], NULL, 10);
    hang_flag = argv[dashes + 4];
    if (argc - dashes > 5)
        label = argv[dashes + 5];
    if (argc - dashes > 6 && *argv[dashes + 6])
        slow_file = argv[dashes + 6];
    if (block == 0)
        block = 4096;
    /* libfuse carries an interrupt to the thread that serves the request as SIGUSR1, but
       installs a handler for it only when interrupts are asked for at mount, not in init:
       without one, the first interrupted request would end the file system. */
    struct sigaction carried;
    memset(&carried, 0, sizeof carried);
    carried.sa_handler = on_interrupt;
    sigaction(SIGUSR1, &carried, NULL);
    argv[dashes] = NULL;
    return fuse_main(dashes, argv, &operations, NULL);
}
