// The favourite programs, from any satellite, in order of addition. A favourite is known by
// (satellite name, ChNumber); database changes never touch the list.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "corvane.h"

namespace corvane {

class FavoriteList {
 public:
  // Appends a copy; no duplicate check, no limit. False only when memory runs out.
  bool add(const FavoriteInfo& favorite);
  // Removes the first favourite with that key.
  bool remove(const FavoriteInfo& key);
  // The favourite at a 1-based index, or nullptr.
  const FavoriteInfo* at(uint32_t index) const;
  bool replace(uint32_t index, const FavoriteInfo& favorite);
  // The one after (before) the first favourite with that key, wrapping round; nullptr when
  // the key is not held.
  const FavoriteInfo* next(const FavoriteInfo& key) const;
  const FavoriteInfo* previous(const FavoriteInfo& key) const;
  size_t size() const { return favorites_.size(); }
  void clear();

 private:
  // Index of the first favourite with that key, or size() when none.
  size_t find(const FavoriteInfo& key) const;

  std::vector<FavoriteInfo> favorites_;
};

// The process-global favourite list, created on first use and never destroyed.
FavoriteList& favoriteList();

}  // namespace corvane
