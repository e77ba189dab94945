#pragma once
// What every Scoped* object of the test support shares (see
// support/test_support.h): it puts back in its destructor what it changed,
// so it is neither copied nor moved, and ok() tells whether it could do what
// it was made for.

namespace test_support {

class Scoped {
 public:
  Scoped(const Scoped&) = delete;
  Scoped& operator=(const Scoped&) = delete;

  bool ok() const { return ok_; }

 protected:
  Scoped() = default;
  ~Scoped() = default;

  bool ok_ = false;
};

}  // namespace test_support
