#pragma once
// An in-memory script list with the list view's selection behaviour.
#include <string>
#include <vector>

#include "script/script_lines.h"

namespace qelvo::test {

class RowList final : public ScriptList {
 public:
  RowList() = default;
  RowList(std::vector<std::string> rows, int selected = -1) : rows_(std::move(rows)), selected_(selected) {}

  int rowCount() const override { return static_cast<int>(rows_.size()); }
  std::string rowText(int row) const override {
    return row >= 0 && row < rowCount() ? rows_[static_cast<size_t>(row)] : std::string();
  }
  int selectedRow() const override { return selected_; }
  void insertRow(int index, std::string_view text) override {
    rows_.insert(rows_.begin() + index, std::string(text));
    if (selected_ >= index) ++selected_;
  }
  void removeRow(int index) override {
    rows_.erase(rows_.begin() + index);
    if (selected_ == index) selected_ = -1;
    else if (selected_ > index) --selected_;
  }
  void removeAllRows() override {
    rows_.clear();
    selected_ = -1;
  }

  void select(int row) { selected_ = row; }
  const std::vector<std::string>& rows() const { return rows_; }

 private:
  std::vector<std::string> rows_;
  int selected_ = -1;
};

}  // namespace qelvo::test
