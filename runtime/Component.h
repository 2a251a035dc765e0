// A component that an owner destroys together with itself. A component
// destroyed before its owner leaves the owner's list.
#pragma once
#include <vector>

namespace runtime {

class Component {
 public:
  explicit Component(Component* owner);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Component* Owner() const { return owner_; }
  const std::vector<Component*>& Components() const { return components_; }

 private:
  Component* owner_;
  std::vector<Component*> components_;
};

}  // namespace runtime
