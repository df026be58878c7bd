// An office file share for tests and benchmarks: the files of a source folder through a FUSE
// mount that caches nothing on the client (every read reaches this daemon, every stat is
// current), pays a latency and a link bandwidth per read, and counts the bytes and read
// requests per file. Those counts are in the virtual file /.share-stats, one line per file
// read so far: "<bytes> <requests> <path>".
//
//   zol_share_fs SOURCE MOUNT [-f] [--latency-us N] [--bandwidth-mbit N] [--coarse-times]
//
// --coarse-times reports modification and change times in whole seconds, as FAT and many SMB
// servers do. SIGTERM detaches the mount; the daemon ends once no file on it is open.
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <pthread.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static const char kStats[] = "/.share-stats";

struct settings {
    const char* source;
    int source_fd;
    unsigned latency_us;
    unsigned bandwidth_mbit;
    int coarse_times;
};
static struct settings g = {NULL, -1, 300, 0, 0};

struct counter {
    char* path;
    uint64_t bytes, requests;
};

static pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;
static struct counter* g_counters;
static size_t g_count, g_capacity;
// When the shared link has carried every read accepted so far: reads queue for its bandwidth
// but wait out their latency side by side, as requests to a server do.
static struct timespec g_link_free;

// An open file or folder: the source file's descriptor, the source folder's stream, or the
// snapshot of the counters for /.share-stats.
struct handle {
    int fd;
    char* path;
    DIR* dir;
    char* text;
    size_t size;
};

static struct handle* handle_of(struct fuse_file_info* fi) {
    return (struct handle*)(uintptr_t)fi->fh;
}

// The source file's descriptor of an open file; -1 for a call by path.
static int fd_of(struct fuse_file_info* fi) {
    return fi && fi->fh ? handle_of(fi)->fd : -1;
}

// The path below the source folder that the *at calls take.
static const char* rel(const char* path) {
    return path[1] ? path + 1 : ".";
}

static int fail(int rc) {
    return rc < 0 ? -errno : rc;
}

static void add_ns(struct timespec* t, uint64_t ns) {
    ns += (uint64_t)t->tv_nsec;
    t->tv_sec += (time_t)(ns / 1000000000u);
    t->tv_nsec = (long)(ns % 1000000000u);
}

static int later(const struct timespec* a, const struct timespec* b) {
    return a->tv_sec != b->tv_sec ? a->tv_sec > b->tv_sec : a->tv_nsec > b->tv_nsec;
}

static void pay_for_read(size_t bytes) {
    struct timespec done;
    clock_gettime(CLOCK_MONOTONIC, &done);
    if (g.bandwidth_mbit) {
        pthread_mutex_lock(&g_lock);
        if (later(&g_link_free, &done)) done = g_link_free;
        add_ns(&done, (uint64_t)bytes * 8000u / g.bandwidth_mbit);
        g_link_free = done;
        pthread_mutex_unlock(&g_lock);
    }
    add_ns(&done, (uint64_t)g.latency_us * 1000u);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &done, NULL) == EINTR) {
    }
}

static void count_read(const char* path, size_t bytes) {
    pthread_mutex_lock(&g_lock);
    size_t i = 0;
    while (i < g_count && strcmp(g_counters[i].path, path + 1) != 0) ++i;
    if (i == g_count) {
        if (g_count == g_capacity) {
            size_t capacity = g_capacity ? 2 * g_capacity : 16;
            struct counter* grown = realloc(g_counters, capacity * sizeof *grown);
            if (!grown) goto out;
            g_counters = grown;
            g_capacity = capacity;
        }
        char* copy = strdup(path + 1);
        if (!copy) goto out;
        g_counters[g_count++] = (struct counter){copy, 0, 0};
    }
    g_counters[i].bytes += bytes;
    g_counters[i].requests += 1;
out:
    pthread_mutex_unlock(&g_lock);
}

// The counters as /.share-stats shows them; NULL when out of memory.
static char* stats_text(size_t* size) {
    char* text = NULL;
    FILE* out = open_memstream(&text, size);
    if (!out) return NULL;
    pthread_mutex_lock(&g_lock);
    for (size_t i = 0; i < g_count; ++i)
        fprintf(out, "%llu %llu %s\n", (unsigned long long)g_counters[i].bytes,
                (unsigned long long)g_counters[i].requests, g_counters[i].path);
    pthread_mutex_unlock(&g_lock);
    if (fclose(out) == 0) return text;
    free(text);
    return NULL;
}

static void* share_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
    (void)conn;
    cfg->attr_timeout = 0;
    cfg->entry_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->direct_io = 1;
    cfg->kernel_cache = 0;
    cfg->use_ino = 1;
    // Removed files go at once, not to .fuse_hidden names: an open file is reached by its
    // descriptor anyway.
    cfg->hard_remove = 1;
    cfg->nullpath_ok = 1;
    return NULL;
}

static int share_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    if (path && strcmp(path, kStats) == 0) {
        memset(st, 0, sizeof *st);
        st->st_mode = S_IFREG | 0444;
        st->st_nlink = 1;
        size_t size = 0;
        free(stats_text(&size));
        st->st_size = (off_t)size;
        clock_gettime(CLOCK_REALTIME, &st->st_mtim);
        st->st_ctim = st->st_atim = st->st_mtim;
    } else if (fd_of(fi) >= 0) {
        if (fstat(fd_of(fi), st) < 0) return -errno;
    } else if (!path) {
        return -EBADF;
    } else if (fstatat(g.source_fd, rel(path), st, AT_SYMLINK_NOFOLLOW) < 0) {
        return -errno;
    }
    if (g.coarse_times) st->st_mtim.tv_nsec = st->st_ctim.tv_nsec = st->st_atim.tv_nsec = 0;
    return 0;
}

static int share_opendir(const char* path, struct fuse_file_info* fi) {
    int fd = openat(g.source_fd, rel(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return -errno;
    struct handle* h = calloc(1, sizeof *h);
    if (!h || !(h->dir = fdopendir(fd))) {
        int err = h ? errno : ENOMEM;
        free(h);
        close(fd);
        return -err;
    }
    h->fd = -1;
    fi->fh = (uintptr_t)h;
    return 0;
}

static int share_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset,
                         struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)path, (void)offset, (void)flags;
    DIR* dir = handle_of(fi)->dir;
    rewinddir(dir);
    struct dirent* e;
    while ((e = readdir(dir)) != NULL) {
        struct stat st = {.st_ino = e->d_ino, .st_mode = (mode_t)DTTOIF(e->d_type)};
        if (fill(buf, e->d_name, &st, 0, 0)) break;
    }
    return 0;
}

static int share_release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    struct handle* h = handle_of(fi);
    if (h->fd >= 0) close(h->fd);
    if (h->dir) closedir(h->dir);
    free(h->path);
    free(h->text);
    free(h);
    return 0;
}

// Reads are counted under the name the file was opened by.
static int open_handle(const char* path, int fd, struct fuse_file_info* fi) {
    if (fd < 0) return -errno;
    struct handle* h = calloc(1, sizeof *h);
    if (!h || !(h->path = strdup(path))) {
        free(h);
        close(fd);
        return -ENOMEM;
    }
    h->fd = fd;
    fi->fh = (uintptr_t)h;
    fi->direct_io = 1;
    fi->keep_cache = 0;
    return 0;
}

static int share_open(const char* path, struct fuse_file_info* fi) {
    if (strcmp(path, kStats) != 0)
        return open_handle(path, openat(g.source_fd, rel(path), fi->flags), fi);
    if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EACCES;
    struct handle* h = calloc(1, sizeof *h);
    if (!h) return -ENOMEM;
    h->fd = -1;
    h->text = stats_text(&h->size);
    if (!h->text) {
        free(h);
        return -ENOMEM;
    }
    fi->fh = (uintptr_t)h;
    fi->direct_io = 1;
    return 0;
}

static int share_create(const char* path, mode_t mode, struct fuse_file_info* fi) {
    if (strcmp(path, kStats) == 0) return -EEXIST;
    return open_handle(path, openat(g.source_fd, rel(path), fi->flags | O_CREAT, mode), fi);
}

static int share_read(const char* path, char* buf, size_t size, off_t offset,
                      struct fuse_file_info* fi) {
    (void)path;
    struct handle* h = handle_of(fi);
    if (h->fd < 0) {
        if ((size_t)offset >= h->size) return 0;
        size_t n = h->size - (size_t)offset < size ? h->size - (size_t)offset : size;
        memcpy(buf, h->text + offset, n);
        return (int)n;
    }
    ssize_t n = pread(h->fd, buf, size, offset);
    if (n < 0) return -errno;
    pay_for_read((size_t)n);
    count_read(h->path, (size_t)n);
    return (int)n;
}

static int share_write(const char* path, const char* buf, size_t size, off_t offset,
                       struct fuse_file_info* fi) {
    (void)path;
    return fail((int)pwrite(handle_of(fi)->fd, buf, size, offset));
}

static int share_truncate(const char* path, off_t size, struct fuse_file_info* fi) {
    if (fd_of(fi) >= 0) return fail(ftruncate(fd_of(fi), size));
    if (!path) return -EBADF;
    int fd = openat(g.source_fd, rel(path), O_WRONLY);
    if (fd < 0) return -errno;
    int rc = fail(ftruncate(fd, size));
    close(fd);
    return rc;
}

static int share_rename(const char* from, const char* to, unsigned int flags) {
    return fail(renameat2(g.source_fd, rel(from), g.source_fd, rel(to), flags));
}

static int share_unlink(const char* path) {
    return fail(unlinkat(g.source_fd, rel(path), 0));
}

static int share_mkdir(const char* path, mode_t mode) {
    return fail(mkdirat(g.source_fd, rel(path), mode));
}

static int share_rmdir(const char* path) {
    return fail(unlinkat(g.source_fd, rel(path), AT_REMOVEDIR));
}

static int share_utimens(const char* path, const struct timespec tv[2], struct fuse_file_info* fi) {
    if (fd_of(fi) >= 0) return fail(futimens(fd_of(fi), tv));
    if (!path) return -EBADF;
    return fail(utimensat(g.source_fd, rel(path), tv, AT_SYMLINK_NOFOLLOW));
}

static int share_chmod(const char* path, mode_t mode, struct fuse_file_info* fi) {
    if (fd_of(fi) >= 0) return fail(fchmod(fd_of(fi), mode));
    if (!path) return -EBADF;
    return fail(fchmodat(g.source_fd, rel(path), mode, 0));
}

static int share_chown(const char* path, uid_t uid, gid_t gid, struct fuse_file_info* fi) {
    if (fd_of(fi) >= 0) return fail(fchown(fd_of(fi), uid, gid));
    if (!path) return -EBADF;
    return fail(fchownat(g.source_fd, rel(path), uid, gid, AT_SYMLINK_NOFOLLOW));
}

static int share_fsync(const char* path, int datasync, struct fuse_file_info* fi) {
    (void)path;
    int fd = fd_of(fi);
    if (fd < 0) return 0;
    return fail(datasync ? fdatasync(fd) : fsync(fd));
}

static int share_statfs(const char* path, struct statvfs* st) {
    (void)path;
    return fail(fstatvfs(g.source_fd, st));
}

static const struct fuse_operations kOperations = {
    .init = share_init,
    .getattr = share_getattr,
    .opendir = share_opendir,
    .readdir = share_readdir,
    .releasedir = share_release,
    .open = share_open,
    .create = share_create,
    .read = share_read,
    .write = share_write,
    .truncate = share_truncate,
    .rename = share_rename,
    .unlink = share_unlink,
    .mkdir = share_mkdir,
    .rmdir = share_rmdir,
    .utimens = share_utimens,
    .chmod = share_chmod,
    .chown = share_chown,
    .release = share_release,
    .fsync = share_fsync,
    .statfs = share_statfs,
};

enum { kKeyCoarse };

static const struct fuse_opt kOptions[] = {
    {"--latency-us %u", offsetof(struct settings, latency_us), 0},
    {"--bandwidth-mbit %u", offsetof(struct settings, bandwidth_mbit), 0},
    FUSE_OPT_KEY("--coarse-times", kKeyCoarse),
    FUSE_OPT_END,
};

// The first plain argument is the source folder; the mount point and the rest go to libfuse.
static int take_option(void* data, const char* arg, int key, struct fuse_args* args) {
    (void)data, (void)args;
    if (key == kKeyCoarse) {
        g.coarse_times = 1;
        return 0;
    }
    if (key == FUSE_OPT_KEY_NONOPT && !g.source) {
        g.source = arg;
        return 0;
    }
    return 1;
}

int main(int argc, char* argv[]) {
    struct fuse_args args = FUSE_ARGS_INIT(argc, argv);
    if (fuse_opt_parse(&args, &g, kOptions, take_option) != 0) return 2;
    if (!g.source) {
        fprintf(stderr,
                "usage: %s SOURCE MOUNT [-f] [--latency-us N] [--bandwidth-mbit N] "
                "[--coarse-times]\n",
                argv[0]);
        return 2;
    }
    g.source_fd = open(g.source, O_RDONLY | O_DIRECTORY);
    if (g.source_fd < 0) {
        perror(g.source);
        return 1;
    }
    int rc = fuse_main(args.argc, args.argv, &kOperations, NULL);
    fuse_opt_free_args(&args);
    return rc;
}
