// The object model: every object is reached through interfaces that start with
// QueryInterface/AddRef/Release, and lives as long as someone holds a reference.
//
// An interface is an abstract class derived from IUnknown with a static `iid`. Objects built on
// ComObject<Interfaces...> answer QueryInterface for IUnknown and each listed interface, start
// with one reference (the creator's) and delete themselves when the last one is released.
#pragma once

#include <atomic>
#include <cstdint>
#include <tuple>
#include <utility>

#include "automation/guid.h"
#include "automation/result.h"

namespace automation {

class IUnknown {
 public:
  static constexpr Guid iid = make_guid("{00000000-0000-0000-C000-000000000046}");
  // On success `*out` holds a new reference; on failure it is null.
  virtual HRESULT QueryInterface(const Guid& iid, void** out) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(const Guid& iid, void** out) override {
    if (out == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (iid == IUnknown::iid) {
      *out = unknown();
    } else {
      (void)((iid == Interfaces::iid && (*out = static_cast<Interfaces*>(this))) || ...);
    }
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  std::uint32_t AddRef() override { return ++references_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // The object's identity: the IUnknown of its first interface (no new reference).
  IUnknown* unknown() {
    return static_cast<std::tuple_element_t<0, std::tuple<Interfaces...>>*>(this);
  }

 protected:
  ~ComObject() override = default;

 private:
  std::atomic<std::uint32_t> references_{1};
};

// Holds one reference to an interface and releases it when reset or destroyed.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* adopted) : p_(adopted) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  void reset(T* adopted = nullptr) {
    if (p_ != nullptr) p_->Release();
    p_ = adopted;
  }
  // For functions that hand out a reference through a `void**`.
  void** put_void() {
    reset();
    return reinterpret_cast<void**>(&p_);
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace automation
