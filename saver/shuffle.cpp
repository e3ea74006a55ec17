#include "saver/shuffle.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_set>

#include "common/random.h"
#include "settings/settings_store.h"

namespace lumova::saver {
namespace {

constexpr std::string_view kMagic = "LumovaShuffle 1 ";

std::uint64_t mix(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// A picture's key: its path, and which of the entries with that path it is,
// so that a picture listed twice still comes twice in a round.
std::uint64_t pictureKey(std::string_view path, std::uint32_t occurrence) {
  std::uint64_t h = 0xCBF29CE484222325ull;  // FNV-1a
  for (unsigned char c : path) h = (h ^ c) * 0x100000001B3ull;
  return occurrence ? mix(h + occurrence) : h;
}

std::string hex(std::uint64_t v) {
  char text[16];
  const auto r = std::to_chars(text, text + sizeof text, v, 16);
  return std::string(text, r.ptr);
}

std::uint64_t checksum(std::size_t count, std::span<const std::uint64_t> keys) {
  // Any one key changed, or two swapped, changes the sum.
  std::uint64_t h = mix(count * 0x9E3779B97F4A7C15ull);
  for (std::uint64_t k : keys) h = (h ^ k) * 0x100000001B3ull;
  return mix(h);
}

void putKey(char* p, std::uint64_t k) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<char>(k >> (8 * i));
}
std::uint64_t getKey(const char* p) {
  std::uint64_t k = 0;
  for (int i = 0; i < 8; ++i) k |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  return k;
}

// One decimal number followed by `end`, moving `text` past both.
template <typename T>
bool take(std::string_view& text, char end, T& value, int base = 10) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  auto [p, ec] = std::from_chars(first, last, value, base);
  if (ec != std::errc() || p == first || p == last || *p != end) return false;
  text.remove_prefix(static_cast<std::size_t>(p - first) + 1);
  return true;
}

}  // namespace

ShuffleFiles shuffleFiles(std::string_view exeFolder) {
  std::string path = settings::settingsPath(exeFolder);
  path.erase(path.rfind('.'));
  return {path + ".shuffle", path + ".shown"};
}

std::size_t Shuffle::below(std::size_t n) {
  const auto i = static_cast<std::size_t>(std::floor(static_cast<double>(n) * random_.next()));
  return std::min(i, n - 1);
}

void Shuffle::shuffleFrom(std::size_t first) {
  for (std::size_t i = round_.size(); i > first + 1; --i) std::swap(round_[i - 1], round_[first + below(i - first)]);
}

void Shuffle::setPictures(std::span<const std::string> paths) {
  positions_.clear();
  positions_.reserve(paths.size());
  std::unordered_map<std::uint64_t, std::uint32_t> occurrences;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::uint64_t first = pictureKey(paths[i], 0);
    positions_.emplace(pictureKey(paths[i], occurrences[first]++), Entry{i, first});
  }

  // Pictures gone from the list leave the round; if one was drawn, the count
  // of those drawn goes down with it.
  std::unordered_set<std::uint64_t> kept;
  kept.reserve(round_.size());
  std::size_t size = 0, drawn = 0;
  for (std::size_t i = 0; i < round_.size(); ++i) {
    if (!positions_.contains(round_[i]) || !kept.insert(round_[i]).second) continue;
    round_[size++] = round_[i];
    if (i < drawn_) ++drawn;
  }
  if (size != round_.size()) roundChanged_ = true;
  round_.resize(size);
  drawn_ = drawn;

  // Pictures new to the round join the part still to come, at random places.
  const std::size_t before = round_.size();
  std::vector<std::pair<std::size_t, std::uint64_t>> added;
  for (const auto& [key, entry] : positions_)
    if (!kept.contains(key)) added.emplace_back(entry.position, key);
  // In list order, so that the draws alone decide where they go.
  std::sort(added.begin(), added.end());
  for (const auto& a : added) round_.push_back(a.second);
  if (round_.size() != before) {
    shuffleFrom(drawn_);
    roundChanged_ = true;
  }
}

void Shuffle::newRound() {
  const std::size_t n = round_.size();
  const std::size_t avoid = std::min(spread_, n / 2);
  // By path: a picture listed twice is still the same picture.
  std::vector<std::uint64_t> ending;
  for (std::size_t i = n - avoid; i < n; ++i) ending.push_back(positions_.at(round_[i]).path);
  drawn_ = 0;
  roundChanged_ = true;
  shuffleFrom(0);
  if (avoid == 0) return;
  const auto isEnding = [&](std::uint64_t k) {
    return std::find(ending.begin(), ending.end(), positions_.at(k).path) != ending.end();
  };
  // The new round's opening pictures swap places with others from later on.
  std::vector<std::size_t> later;
  for (std::size_t j = avoid; j < n; ++j)
    if (!isEnding(round_[j])) later.push_back(j);
  for (std::size_t i = 0; i < avoid && !later.empty(); ++i) {
    if (!isEnding(round_[i])) continue;
    const std::size_t pick = below(later.size());
    std::swap(round_[i], round_[later[pick]]);
    later[pick] = later.back();
    later.pop_back();
  }
}

std::vector<std::size_t> Shuffle::ahead(std::size_t most) {
  std::vector<std::size_t> out;
  if (round_.empty()) return out;
  if (drawn_ >= round_.size()) newRound();
  for (std::size_t i = drawn_; i < round_.size() && out.size() < most; ++i)
    out.push_back(positions_.at(round_[i]).position);
  return out;
}

std::optional<std::size_t> Shuffle::drawAhead(std::size_t i) {
  if (round_.empty()) return std::nullopt;
  if (drawn_ >= round_.size()) newRound();
  i = std::min(i, round_.size() - drawn_ - 1);
  if (i > 0) {
    // Drawn out of turn: the round keeps the order the pictures came in, so
    // its drawn part is exactly what was taken.
    const auto first = round_.begin() + static_cast<std::ptrdiff_t>(drawn_);
    std::rotate(first, first + static_cast<std::ptrdiff_t>(i), first + static_cast<std::ptrdiff_t>(i) + 1);
    roundChanged_ = true;
  }
  return positions_.at(round_[drawn_++]).position;
}

std::string Shuffle::serialiseRound() {
  roundChanged_ = false;
  std::string out(kMagic);
  out += std::to_string(round_.size()) + ' ' + hex(roundSum()) + '\n';
  const std::size_t header = out.size();
  out.resize(header + 8 * round_.size());
  char* p = out.data() + header;
  for (std::uint64_t k : round_) putKey(p, k), p += 8;
  return out;
}

std::string Shuffle::serialisePosition() const {
  return std::string(kMagic) + hex(roundSum()) + ' ' + std::to_string(drawn_) + '\n';
}

std::uint64_t Shuffle::roundSum() const { return checksum(round_.size(), round_); }

bool Shuffle::restore(std::string_view round, std::string_view position) {
  round_.clear();
  drawn_ = 0;
  roundChanged_ = true;
  if (!round.starts_with(kMagic)) return false;
  round.remove_prefix(kMagic.size());
  std::size_t count = 0;
  std::uint64_t sum = 0;
  if (!take(round, ' ', count) || !take(round, '\n', sum, 16)) return false;
  if (round.size() / 8 != count || round.size() % 8 != 0) return false;
  std::vector<std::uint64_t> keys(count);
  for (std::size_t i = 0; i < count; ++i) keys[i] = getKey(round.data() + 8 * i);
  if (checksum(count, keys) != sum) return false;
  round_ = std::move(keys);
  roundChanged_ = false;
  // How far it got counts only when it names this round.
  std::uint64_t of = 0;
  std::size_t drawn = 0;
  if (position.starts_with(kMagic)) {
    position.remove_prefix(kMagic.size());
    if (take(position, ' ', of, 16) && take(position, '\n', drawn) && position.empty() && of == sum && drawn <= count)
      drawn_ = drawn;
  }
  return true;
}

}  // namespace lumova::saver
