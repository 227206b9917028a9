// The lines of a list, held compactly: their bytes one after another in a
// few large blocks, and where each line lies. A million keys of 110 bytes
// take about 122 MB, and no line is an allocation of its own; a line is
// converted for the screen only when it is drawn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace krt::ui {

class LineStore {
 public:
  void add(std::string_view line);
  void clear();
  std::size_t size() const { return where_.size(); }
  bool empty() const { return where_.empty(); }
  // Valid as long as the store is not cleared.
  std::string_view operator[](std::size_t index) const {
    const Where& w = where_[index];
    return {blocks_[w.block].get() + w.offset, w.length};
  }

 private:
  // Blocks never grow in place, so adding a line moves none of the others.
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
  struct Where {
    std::uint32_t block;
    std::uint32_t offset;
    std::uint32_t length;
  };
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;      // bytes taken in the last block
  std::size_t capacity_ = 0;  // size of the last block
  std::vector<Where> where_;
};

}  // namespace krt::ui
