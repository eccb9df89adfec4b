#include <zkcp/attribute/ZKOperand.h>

#include <iostream>

namespace {

// Outside every outcome of OperandRep::compare.
constexpr int kNotComparable = 2;

}  // namespace

ZKOperand::ZKOperand(OperandRep* rep) : rep_(rep) {}

ZKOperand::ZKOperand(const ZKOperand& other) { copy(other); }

ZKOperand& ZKOperand::operator=(const ZKOperand& other) {
  if (this != &other) {
    release();
    copy(other);
  }
  return *this;
}

ZKOperand::~ZKOperand() { release(); }

void ZKOperand::release() {
  if (rep_ != nullptr && --rep_->count == 0) delete rep_;
  rep_ = nullptr;
}

void ZKOperand::copy(const ZKOperand& other) {
  rep_ = other.rep_;
  if (rep_ != nullptr) ++rep_->count;
}

ZKOperand* ZKOperand::clone() const { return new ZKOperand(*this); }

Type::Syntax ZKOperand::getSyntax() const {
  if (rep_ == nullptr) return static_cast<Type::Syntax>(0);
  std::cout << static_cast<int>(rep_->getSyntax()) << '\n';
  return rep_->getSyntax();
}

bool ZKOperand::sameSyntax(const ZKOperand& o) const {
  if (rep_ == nullptr || o.rep_ == nullptr) return false;
  const Type::Syntax other = o.getSyntax();
  return other == getSyntax();
}

int ZKOperand::compareWith(const ZKOperand& o) const {
  return sameSyntax(o) ? rep_->compare(o.rep_) : kNotComparable;
}

bool ZKOperand::equal(const ZKOperand& o) const { return compareWith(o) == 0; }

bool ZKOperand::notEqual(const ZKOperand& o) const { return !equal(o); }

bool ZKOperand::greaterThan(const ZKOperand& o) const { return compareWith(o) == 1; }

bool ZKOperand::lessThan(const ZKOperand& o) const { return compareWith(o) == -1; }

bool ZKOperand::greaterThanOrEqual(const ZKOperand& o) const {
  const int c = compareWith(o);
  return c == 0 || c == 1;
}

bool ZKOperand::lessThanOrEqual(const ZKOperand& o) const {
  const int c = compareWith(o);
  return c == -1 || c == 0;
}
