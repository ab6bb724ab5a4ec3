// The system calls libusb 0.1 makes on usbfs files, answered for the virtual
// tree. Defining them here takes the C library's place for the calls the
// library makes (ordinary ELF symbol interposition); every file that is not a
// virtual device goes on to the real call.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdarg>
#include <span>

#include "sim/VirtualUsbfs.h"

VirtualUsbfs* VirtualUsbfsIfCreated();

namespace {

template <typename Fn>
Fn Next(const char* name)
{
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

using OpenFn = int (*)(const char*, int, ...);
using CloseFn = int (*)(int);
using IoctlFn = int (*)(int, unsigned long, ...);
using OpendirFn = DIR* (*)(const char*);

int Fail(int err)
{
    errno = err;
    return -1;
}

int Transfer(VirtualBoard& board, usbdevfs_ctrltransfer& ctrl)
{
    std::span<uint8_t> data(static_cast<uint8_t*>(ctrl.data), ctrl.data ? ctrl.wLength : 0);
    const int result = board.Control(ctrl.bRequestType, ctrl.bRequest, ctrl.wValue, ctrl.wIndex,
                                     data, ctrl.timeout);
    return result < 0 ? Fail(-result) : result;
}

int VirtualIoctl(VirtualUsbfs& fs, const VirtualUsbfs::OpenFile& file, unsigned long request, void* arg)
{
    VirtualUsbfs::Node& node = *file.File;
    if (!node.Plugged)
        return Fail(ENODEV);
    if (file.ReadOnly)
        return Fail(EPERM);
    switch (request) {
    case USBDEVFS_CONNECTINFO:
        static_cast<usbdevfs_connectinfo*>(arg)->devnum = static_cast<unsigned>(node.DevNum);
        static_cast<usbdevfs_connectinfo*>(arg)->slow = 0;
        return 0;
    case USBDEVFS_CONTROL: {
        auto& ctrl = *static_cast<usbdevfs_ctrltransfer*>(arg);
        if (!fs.StillPluggedFor(node, ctrl.bRequestType))
            return Fail(ENODEV);
        return Transfer(*node.Board, ctrl);
    }
    default:
        return Fail(ENOTTY);
    }
}

}  // namespace

extern "C" int open(const char* path, int flags, ...)
{
    static const auto real = Next<OpenFn>("open");
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    VirtualUsbfs* fs = VirtualUsbfsIfCreated();
    VirtualUsbfs::Node* node = fs ? fs->NodeOfPath(path) : nullptr;
    if (!node)
        return real(path, flags, mode);
    if (node->OpenErr && node->Opens++ >= node->SucceedFirst)
        return Fail(node->OpenErr);
    const bool readOnly = (flags & O_ACCMODE) == O_RDONLY;
    if (node->ReadOnly && !readOnly)
        return Fail(EACCES);
    const int fd = real(path, flags, mode);
    if (fd >= 0)
        fs->Opened(fd, node, readOnly);
    return fd;
}

extern "C" int close(int fd)
{
    static const auto real = Next<CloseFn>("close");
    if (VirtualUsbfs* fs = VirtualUsbfsIfCreated())
        fs->Closed(fd);
    return real(fd);
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept
{
    static const auto real = Next<IoctlFn>("ioctl");
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    VirtualUsbfs* fs = VirtualUsbfsIfCreated();
    if (const VirtualUsbfs::OpenFile* file = fs ? fs->FileOf(fd) : nullptr)
        return VirtualIoctl(*fs, *file, request, arg);
    return real(fd, request, arg);
}

extern "C" DIR* opendir(const char* name)
{
    static const auto real = Next<OpendirFn>("opendir");
    if (VirtualUsbfs* fs = VirtualUsbfsIfCreated())
        fs->BusScanned(name);
    return real(name);
}
