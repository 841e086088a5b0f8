// Owners of Windows handles: each closes what it holds when it goes out of
// scope. Nothing else about them is clever.
#pragma once

#include "common/prelude.h"

class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE h) : h_(h) {}
  ~ScopedHandle() { Close(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
  ScopedHandle& operator=(ScopedHandle&& o) noexcept {
    if (this != &o) {
      Close();
      h_ = o.h_;
      o.h_ = nullptr;
    }
    return *this;
  }
  // Both null and INVALID_HANDLE_VALUE mean "nothing".
  bool valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  void Close() {
    if (valid()) CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_ = nullptr;
};

class ScopedFind {
 public:
  explicit ScopedFind(HANDLE h) : h_(h) {}
  ~ScopedFind() {
    if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
  }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

class ScopedKey {
 public:
  ScopedKey() = default;
  explicit ScopedKey(HKEY k) : k_(k) {}
  ~ScopedKey() { Close(); }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
  HKEY get() const { return k_; }
  HKEY* out() {
    Close();
    return &k_;
  }
  void Close() {
    if (k_) RegCloseKey(k_);
    k_ = nullptr;
  }

 private:
  HKEY k_ = nullptr;
};

// A handle that one function closes, e.g. ScopedOwner<HICON, DestroyIcon>.
template <typename T, auto Close>
class ScopedOwner {
 public:
  explicit ScopedOwner(T h) : h_(h) {}
  ~ScopedOwner() {
    if (h_) Close(h_);
  }
  ScopedOwner(const ScopedOwner&) = delete;
  ScopedOwner& operator=(const ScopedOwner&) = delete;
  T get() const { return h_; }

 private:
  T h_;
};

using ScopedIcon = ScopedOwner<HICON, DestroyIcon>;
