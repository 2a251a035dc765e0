#include "Component.h"

#include <algorithm>

namespace runtime {

Component::Component(Component* owner) : owner_(owner) {
  if (owner_) owner_->components_.push_back(this);
}

Component::~Component() {
  while (!components_.empty()) delete components_.back();  // each leaves the list as it goes
  if (owner_) {
    auto& siblings = owner_->components_;
    siblings.erase(std::find(siblings.begin(), siblings.end(), this));
  }
}

}  // namespace runtime
