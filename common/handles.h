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

class ScopedLibrary {
 public:
  explicit ScopedLibrary(HMODULE m) : m_(m) {}
  ~ScopedLibrary() {
    if (m_) FreeLibrary(m_);
  }
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;
  HMODULE get() const { return m_; }

 private:
  HMODULE m_;
};

class ScopedIcon {
 public:
  explicit ScopedIcon(HICON i) : i_(i) {}
  ~ScopedIcon() {
    if (i_) DestroyIcon(i_);
  }
  ScopedIcon(const ScopedIcon&) = delete;
  ScopedIcon& operator=(const ScopedIcon&) = delete;
  HICON get() const { return i_; }

 private:
  HICON i_;
};
