// The persistent registry: one `.reg` text file holding the keys under HKEY_CLASSES_ROOT.
//
// Readers never lock: the file is only ever replaced whole, by writing a temporary file beside it
// and renaming it over the old one, so a reader sees either the old or the new registry. Writers
// take an exclusive flock on "<file>.lock" around read-change-write, so two processes that
// register at the same time do not lose each other's keys. A failed write leaves the old file as
// it was and no temporary file behind.
#pragma once

#include <functional>
#include <string>

#include "registry/key.h"
#include "registry/status.h"

namespace registry {

// $CORVI_REGISTRY when set and not empty, else ~/.local/share/corvi/registry.reg; empty when no
// home directory can be found. Read again at every call.
std::string default_location();

class Store {
 public:
  explicit Store(std::string path) : path_(std::move(path)) {}
  static Store at_default_location() { return Store(default_location()); }

  const std::string& path() const { return path_; }

  // Reads the whole registry. A missing file is an empty registry (nothing registered yet).
  Status read(Key& root) const;

  // Locks, reads, applies `change` and writes the result atomically. A corrupt file is never
  // overwritten: the update fails with the parse error.
  Status update(const std::function<void(Key& root)>& change) const;

  // Says why the registry could not be written here (the folder cannot be created, or a file
  // cannot be created in it), or nothing when a write would get that far.
  Status check_writable() const;

 private:
  std::string path_;
};

}  // namespace registry
