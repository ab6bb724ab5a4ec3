#include "sim/VirtualUsbfs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace {

VirtualUsbfs* g_instance = nullptr;

std::shared_ptr<VirtualBoard> RootHub()
{
    VirtualBoard::Config c;
    c.Vid = 0x1D6B;
    c.Pid = 0x0002;
    c.Manufacturer = u"Virtual host controller";
    c.Product = u"Root hub";
    c.DeviceClass = 9;
    c.InterruptEndpoint = true;
    c.Firmware = false;
    return std::make_shared<VirtualBoard>(c);
}

std::string ThreeDigits(int n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d", n);
    return buf;
}

void RemoveTree(const std::string& root, int buses)
{
    for (int bus = 1; bus <= buses; ++bus) {
        const std::string dir = root + "/" + ThreeDigits(bus);
        for (int dev = 1; dev < 128; ++dev)
            ::unlink((dir + "/" + ThreeDigits(dev)).c_str());
        ::rmdir(dir.c_str());
    }
    ::rmdir(root.c_str());
}

}  // namespace

VirtualUsbfs& VirtualUsbfs::Instance()
{
    // Never destroyed: the hooks may still see calls while the process exits.
    if (!g_instance) {
        g_instance = new VirtualUsbfs();
        std::atexit([] { RemoveTree(g_instance->root_, g_instance->buses_); });
    }
    return *g_instance;
}

VirtualUsbfs* VirtualUsbfsIfCreated()
{
    return g_instance;
}

VirtualUsbfs::VirtualUsbfs()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvex-usbfs-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create the virtual usbfs: " + std::string(std::strerror(errno)));
    root_ = pattern;
    ::setenv("USB_DEVFS_PATH", root_.c_str(), 1);
    AddBus();
}

std::string VirtualUsbfs::BusDir(int bus) const
{
    return root_ + "/" + ThreeDigits(bus);
}

int VirtualUsbfs::AddBus()
{
    ++buses_;
    lastNumber_.push_back(0);
    ::mkdir(BusDir(buses_).c_str(), 0755);
    PlugNode(RootHub(), buses_, true);
    return buses_;
}

int VirtualUsbfs::NextDeviceNumber(int bus)
{
    // Like the kernel: numbers run on and wrap past 127, skipping ones in use.
    int& last = lastNumber_.at(static_cast<size_t>(bus - 1));
    for (int tries = 0; tries < 127; ++tries) {
        last = last >= 127 ? 2 : last + 1;
        if (!plugged_.contains(BusDir(bus) + "/" + ThreeDigits(last)))
            return last;
    }
    throw std::runtime_error("virtual usbfs: bus is full");
}

int VirtualUsbfs::PlugNode(const std::shared_ptr<VirtualBoard>& board, int bus, bool hub)
{
    auto node = std::make_unique<Node>();
    node->Board = board;
    node->Bus = bus;
    node->DevNum = hub ? 1 : NextDeviceNumber(bus);
    if (hub)
        lastNumber_.at(static_cast<size_t>(bus - 1)) = 1;
    node->Path = BusDir(bus) + "/" + ThreeDigits(node->DevNum);
    const std::vector<uint8_t> bytes = board->DeviceFileBytes();
    std::ofstream(node->Path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    board->OnReset = [this, weak = std::weak_ptr<VirtualBoard>(board), bus] {
        if (auto b = weak.lock()) {
            Unplug(*b);
            pending_.push_back({b, bus, ResetAbsentScans});
        }
    };
    const int number = node->DevNum;
    plugged_[node->Path] = node.get();
    nodes_.push_back(std::move(node));
    return number;
}

int VirtualUsbfs::Plug(const std::shared_ptr<VirtualBoard>& board, int bus)
{
    if (bus < 1 || bus > buses_)
        throw std::out_of_range("virtual usbfs: no bus " + std::to_string(bus));
    if (Find(*board))
        throw std::logic_error("virtual usbfs: device is plugged in already");
    // Plugged in by hand while it restarts: it does not come back a second time.
    std::erase_if(pending_, [&](const PendingReplug& p) { return p.Board == board; });
    board->PowerUp();
    return PlugNode(board, bus, false);
}

VirtualUsbfs::Node* VirtualUsbfs::Find(const VirtualBoard& board) const
{
    for (const auto& [path, n] : plugged_)
        if (n->Board.get() == &board)
            return n;
    return nullptr;
}

void VirtualUsbfs::Unplug(const VirtualBoard& board)
{
    if (Node* n = Find(board)) {
        n->Plugged = false;
        plugged_.erase(n->Path);
        ::unlink(n->Path.c_str());
        ForgetIfUnused(n);
    }
}

void VirtualUsbfs::ForgetIfUnused(Node* node)
{
    if (node->Plugged)
        return;
    for (const auto& [fd, file] : files_)
        if (file.File == node)
            return;
    std::erase_if(nodes_, [node](const std::unique_ptr<Node>& n) { return n.get() == node; });
}

bool VirtualUsbfs::IsPlugged(const VirtualBoard& board) const
{
    return Find(board) != nullptr;
}

int VirtualUsbfs::DeviceNumber(const VirtualBoard& board) const
{
    const Node* n = Find(board);
    return n ? n->DevNum : 0;
}

int VirtualUsbfs::BusOf(const VirtualBoard& board) const
{
    const Node* n = Find(board);
    return n ? n->Bus : 0;
}

void VirtualUsbfs::Clear()
{
    pending_.clear();
    std::vector<std::shared_ptr<VirtualBoard>> leaving;  // unplugging may forget nodes
    for (auto& n : nodes_) {
        if (n->Plugged && (n->DevNum != 1 || n->Bus > 1))
            leaving.push_back(n->Board);
    }
    for (const auto& board : leaving)
        Unplug(*board);
    while (buses_ > 1) {
        ::rmdir(BusDir(buses_).c_str());
        --buses_;
        lastNumber_.pop_back();
    }
}

void VirtualUsbfs::FailOpen(const VirtualBoard& board, int err, int succeedFirst)
{
    if (Node* n = Find(board)) {
        n->OpenErr = err;
        n->SucceedFirst = succeedFirst;
        n->Opens = 0;
    }
}

void VirtualUsbfs::SetReadOnly(const VirtualBoard& board, bool readOnly)
{
    if (Node* n = Find(board))
        n->ReadOnly = readOnly;
}

void VirtualUsbfs::UnplugAfter(const VirtualBoard& board, int vendorTransfers)
{
    if (Node* n = Find(board))
        n->TransfersBeforeUnplug = vendorTransfers;
}

bool VirtualUsbfs::StillPluggedFor(Node& node, uint8_t requestType)
{
    constexpr uint8_t typeMask = 0x60, vendor = 0x40;
    if (node.TransfersBeforeUnplug < 0 || (requestType & typeMask) != vendor)
        return true;
    if (node.TransfersBeforeUnplug-- > 0)
        return true;
    Unplug(*node.Board);
    return false;
}

int VirtualUsbfs::OpenFiles() const
{
    return static_cast<int>(files_.size());
}

VirtualUsbfs::Node* VirtualUsbfs::NodeOfPath(const char* path)
{
    if (std::strncmp(path, root_.c_str(), root_.size()) != 0)
        return nullptr;
    const auto it = plugged_.find(path);
    return it == plugged_.end() ? nullptr : it->second;
}

void VirtualUsbfs::BusScanned(const char* path)
{
    // A reset board comes back after its bus has been looked at a few times.
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (BusDir(it->Bus) == path && --it->ScansLeft <= 0) {
            const auto p = *it;
            it = pending_.erase(it);
            PlugNode(p.Board, p.Bus, false);
        } else {
            ++it;
        }
    }
}

void VirtualUsbfs::Opened(int fd, Node* node, bool readOnly)
{
    files_[fd] = OpenFile{node, readOnly};
}

void VirtualUsbfs::Closed(int fd)
{
    const auto it = files_.find(fd);
    if (it == files_.end())
        return;
    Node* node = it->second.File;
    files_.erase(it);
    ForgetIfUnused(node);
}

const VirtualUsbfs::OpenFile* VirtualUsbfs::FileOf(int fd) const
{
    const auto it = files_.find(fd);
    return it == files_.end() ? nullptr : &it->second;
}
