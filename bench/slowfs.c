// A read-only FUSE passthrough of a directory whose every lookup, getattr, opendir and readdir
// waits a given time, with the kernel's attribute, entry and negative caches off: the
// benchmark's model of a network share without a cache. It can also make one name never answer
// (a server that stopped) and one directory refuse to open, even for root.
//
//   slowfs [--wait-us N] [--hang NAME] [--refuse NAME] SOURCE MOUNTPOINT [FUSE OPTIONS]
//
// It runs in the foreground, on up to 64 threads; `kill` it, then `umount -l MOUNTPOINT`.

#define FUSE_USE_VERSION 312
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <fuse_lowlevel.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static const char* source;
static long waitMicros;
static const char* hangName;
static const char* refuseName;

static void Wait(void) {
    if (waitMicros <= 0) return;
    struct timespec wait = {waitMicros / 1000000, (waitMicros % 1000000) * 1000};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

// `name` is a path's last name, or the whole path ("/" for the root).
static int IsNamed(const char* path, const char* name) {
    if (name == NULL) return 0;
    if (strcmp(path, name) == 0) return 1;
    const char* slash = strrchr(path, '/');
    return strcmp(slash != NULL ? slash + 1 : path, name) == 0;
}

static void Real(const char* path, char* real) { snprintf(real, PATH_MAX, "%s%s", source, path); }

static void* Init(struct fuse_conn_info* connection, struct fuse_config* config) {
    (void)connection;
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    config->use_ino = 1;
    config->intr = 1;  // a hung request hears that its caller was killed
    return NULL;
}

static int GetAttr(const char* path, struct stat* info, struct fuse_file_info* file) {
    (void)file;
    if (IsNamed(path, hangName)) {
        // A server that stopped answering. Only an interrupt (the caller killed) ends the
        // wait, as on an NFS hard mount; without that the kernel would hold the caller until
        // the connection is aborted.
        while (!fuse_interrupted()) pause();
        return -EINTR;
    }
    Wait();
    char real[PATH_MAX];
    Real(path, real);
    return lstat(real, info) == 0 ? 0 : -errno;
}

static int OpenDir(const char* path, struct fuse_file_info* file) {
    Wait();
    if (IsNamed(path, refuseName)) return -EACCES;
    char real[PATH_MAX];
    Real(path, real);
    DIR* directory = opendir(real);
    if (directory == NULL) return -errno;
    file->fh = (uint64_t)(uintptr_t)directory;
    return 0;
}

static int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                   struct fuse_file_info* file, enum fuse_readdir_flags flags) {
    (void)path;
    (void)offset;
    (void)flags;
    Wait();
    DIR* directory = (DIR*)(uintptr_t)file->fh;
    rewinddir(directory);
    // Each name with its type, as a network filesystem's listing gives it (NFS, SMB).
    for (struct dirent* entry; (entry = readdir(directory)) != NULL;) {
        struct stat type = {0};
        type.st_mode = DTTOIF(entry->d_type);
        if (fill(buffer, entry->d_name, &type, 0, 0) != 0) break;
    }
    return 0;
}

static int ReleaseDir(const char* path, struct fuse_file_info* file) {
    (void)path;
    closedir((DIR*)(uintptr_t)file->fh);
    return 0;
}

static int ReadLink(const char* path, char* target, size_t size) {
    char real[PATH_MAX];
    Real(path, real);
    const ssize_t length = readlink(real, target, size - 1);
    if (length < 0) return -errno;
    target[length] = '\0';
    return 0;
}

static int Open(const char* path, struct fuse_file_info* file) {
    if ((file->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    char real[PATH_MAX];
    Real(path, real);
    const int fd = open(real, O_RDONLY);
    if (fd < 0) return -errno;
    file->fh = (uint64_t)fd;
    return 0;
}

static int Read(const char* path, char* buffer, size_t size, off_t offset, struct fuse_file_info* file) {
    (void)path;
    const ssize_t length = pread((int)file->fh, buffer, size, offset);
    return length < 0 ? -errno : (int)length;
}

static int Release(const char* path, struct fuse_file_info* file) {
    (void)path;
    close((int)file->fh);
    return 0;
}

// The signal that tells a thread its request was interrupted: it only ends pause().
static void Interrupted(int signal) { (void)signal; }

static const struct fuse_operations operations = {
    .init = Init,
    .getattr = GetAttr,
    .opendir = OpenDir,
    .readdir = ReadDir,
    .releasedir = ReleaseDir,
    .readlink = ReadLink,
    .open = Open,
    .read = Read,
    .release = Release,
};

int main(int argc, char** argv) {
    int at = 1;
    for (; at + 1 < argc && strncmp(argv[at], "--", 2) == 0; at += 2) {
        if (strcmp(argv[at], "--wait-us") == 0)
            waitMicros = atol(argv[at + 1]);
        else if (strcmp(argv[at], "--hang") == 0)
            hangName = argv[at + 1];
        else if (strcmp(argv[at], "--refuse") == 0)
            refuseName = argv[at + 1];
        else
            break;
    }
    if (argc - at < 2) {
        fprintf(
            stderr,
            "usage: slowfs [--wait-us N] [--hang NAME] [--refuse NAME] SOURCE MOUNTPOINT [FUSE OPTIONS]\n");
        return 2;
    }
    source = realpath(argv[at], NULL);
    if (source == NULL) {
        perror(argv[at]);
        return 1;
    }
    // FUSE sees: the program, the mount point and the options after it, and ours.
    char* fuseArgs[64];
    int count = 0;
    fuseArgs[count++] = argv[0];
    for (int i = at + 1; i < argc && count < 60; ++i) fuseArgs[count++] = argv[i];
    fuseArgs[count++] = "-o";
    fuseArgs[count++] = "ro,fsname=slowfs,subtype=slowfs";
    struct fuse_args args = FUSE_ARGS_INIT(count, fuseArgs);
    struct fuse_cmdline_opts options;
    if (fuse_parse_cmdline(&args, &options) != 0 || options.mountpoint == NULL) return 2;
    struct sigaction interrupted = {.sa_handler = Interrupted};
    sigaction(SIGUSR1, &interrupted, NULL);
    struct fuse* fuse = fuse_new(&args, &operations, sizeof operations, NULL);
    if (fuse == NULL || fuse_mount(fuse, options.mountpoint) != 0) return 1;
    fuse_set_signal_handlers(fuse_get_session(fuse));
    struct fuse_loop_config* loop = fuse_loop_cfg_create();
    fuse_loop_cfg_set_max_threads(loop, 64);
    fuse_loop_cfg_set_idle_threads(loop, 64);
    const int result = fuse_loop_mt(fuse, loop);
    fuse_loop_cfg_destroy(loop);
    fuse_remove_signal_handlers(fuse_get_session(fuse));
    fuse_unmount(fuse);
    fuse_destroy(fuse);
    return result == 0 ? 0 : 1;
}
