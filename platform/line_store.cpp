#include "platform/line_store.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace krt::ui {

void LineStore::add(std::string_view line) {
  if (line.size() > UINT32_MAX) throw std::length_error("list line too long");
  if (blocks_.empty() || capacity_ - used_ < line.size()) {
    // A line longer than a block gets a block of its own size.
    capacity_ = std::max(kBlockSize, line.size());
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(capacity_));
    used_ = 0;
  }
  if (!line.empty()) std::memcpy(blocks_.back().get() + used_, line.data(), line.size());
  where_.push_back({static_cast<std::uint32_t>(blocks_.size() - 1), static_cast<std::uint32_t>(used_),
                    static_cast<std::uint32_t>(line.size())});
  used_ += line.size();
}

void LineStore::clear() {
  blocks_.clear();
  where_.clear();
  where_.shrink_to_fit();
  used_ = capacity_ = 0;
}

}  // namespace krt::ui
