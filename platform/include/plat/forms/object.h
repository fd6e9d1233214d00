// The root of the class library: TObject (class name, identity) and
// TPersistent (assignment between objects). Objects are not copyable; owners
// hold them by pointer and free them with delete.
#ifndef PLAT_FORMS_OBJECT_H_
#define PLAT_FORMS_OBJECT_H_

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>

namespace plat {

class TObject;

// Every event of the class library carries its sender.
using TNotifyEvent = std::function<void(TObject* sender)>;

// The class name without namespaces, from the object's dynamic type.
std::string ClassNameOf(const std::type_info& type);

class TObject {
 public:
  TObject() = default;
  virtual ~TObject();
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  // "TStringList" for a TStringList, whatever namespace it lives in.
  std::string ClassName() const;
  template <class T>
  bool InheritsFrom() const {
    return dynamic_cast<const T*>(this) != nullptr;
  }
};

class TPersistent : public TObject {
 public:
  // Copies what `source` holds into this object. The base asks the source
  // (AssignTo) and raises EConvertError when neither side knows the other;
  // assigning null raises as well unless a class accepts it.
  virtual void Assign(const TPersistent* source);
  // The owner in the streaming sense (a collection's owner, ...); null here.
  virtual TPersistent* GetOwner() const { return nullptr; }
  virtual std::string GetNamePath() const;

 protected:
  virtual void AssignTo(TPersistent* dest) const;
  // Raises EConvertError "cannot assign a <source> to a <this>".
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

// Runs `work` inside target.BeginUpdate()/EndUpdate(); the bracket is closed
// on every path, and an exception of `work` wins over one of EndUpdate.
template <class T, class F>
void WithUpdate(T& target, F&& work) {
  target.BeginUpdate();
  try {
    work();
  } catch (...) {
    try {
      target.EndUpdate();
    } catch (...) {
    }
    throw;
  }
  target.EndUpdate();
}

// A Pascal-style set over an enumeration with at most 64 values: value n is
// bit n, so a set of up to eight values fits the byte that files store.
template <class E>
class TSet {
  static_assert(std::is_enum_v<E>);

 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> values) {
    for (E v : values) bits_ |= Bit(v);
  }
  static constexpr TSet FromBits(uint64_t bits) {
    TSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr uint64_t bits() const { return bits_; }
  constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TSet& Include(E v) {
    bits_ |= Bit(v);
    return *this;
  }
  constexpr TSet& Exclude(E v) {
    bits_ &= ~Bit(v);
    return *this;
  }
  constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
  constexpr TSet operator-(TSet o) const { return FromBits(bits_ & ~o.bits_); }
  constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
  constexpr bool operator==(const TSet&) const = default;

 private:
  static constexpr uint64_t Bit(E v) { return uint64_t{1} << static_cast<unsigned>(v); }
  uint64_t bits_ = 0;
};

}  // namespace plat

#endif  // PLAT_FORMS_OBJECT_H_
