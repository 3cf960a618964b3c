#include "files/host_writes.h"

#include "files/folder_cache.h"
#include "files/host_files.h"
#include "files/journal.h"

namespace winsim::detail {

HostFileWrites::HostFileWrites(std::initializer_list<std::string> hostPaths) {
  for (const std::string& host : hostPaths) {
    if (host.empty()) continue;
    const HostKind kind = KindOnHost(host);
    if (kind == HostKind::Folder) continue;
    JournalOp op;
    op.host = host;
    op.kind = kind == HostKind::File ? JournalOp::Kind::WriteFile : JournalOp::Kind::CreateFile;
    if (const CachedEntry* entry = FindHostEntry(host)) op.attributes = entry->attributes;
    if (!JournalBefore(op)) ok_ = false;
    ops_.push_back(std::move(op));
  }
}

HostFileWrites::~HostFileWrites() {
  for (JournalOp& op : ops_) {
    SyncHostPath(op.host);
    if (!ok_) continue;  // nothing was written
    const bool there = KindOnHost(op.host) == HostKind::File;
    if (op.kind == JournalOp::Kind::CreateFile && !there) continue;  // made and gone, or never
    if (op.kind == JournalOp::Kind::WriteFile && !there) op.kind = JournalOp::Kind::DeleteFile;
    JournalAfter(op);
  }
}

}  // namespace winsim::detail
