// The favourite list.
#include "FavoriteList.h"

#include <new>

#include "ChannelRecords.h"

namespace corvane {

bool FavoriteList::add(const FavoriteInfo& favorite) {
  try {
    favorites_.push_back(storedFavorite(favorite));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

size_t FavoriteList::find(const FavoriteInfo& key) const {
  for (size_t i = 0; i < favorites_.size(); ++i)
    if (sameFavoriteKey(favorites_[i], key)) return i;
  return favorites_.size();
}

bool FavoriteList::remove(const FavoriteInfo& key) {
  size_t i = find(key);
  if (i == favorites_.size()) return false;
  favorites_.erase(favorites_.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

const FavoriteInfo* FavoriteList::at(uint32_t index) const {
  if (index == 0 || index > favorites_.size()) return nullptr;
  return &favorites_[index - 1];
}

bool FavoriteList::replace(uint32_t index, const FavoriteInfo& favorite) {
  if (index == 0 || index > favorites_.size()) return false;
  favorites_[index - 1] = storedFavorite(favorite);
  return true;
}

const FavoriteInfo* FavoriteList::next(const FavoriteInfo& key) const {
  size_t i = find(key);
  if (i == favorites_.size()) return nullptr;
  return &favorites_[(i + 1) % favorites_.size()];
}

const FavoriteInfo* FavoriteList::previous(const FavoriteInfo& key) const {
  size_t i = find(key);
  if (i == favorites_.size()) return nullptr;
  return &favorites_[(i + favorites_.size() - 1) % favorites_.size()];
}

void FavoriteList::clear() { std::vector<FavoriteInfo>().swap(favorites_); }

FavoriteList& favoriteList() {
  static FavoriteList* list = new FavoriteList;
  return *list;
}

}  // namespace corvane
