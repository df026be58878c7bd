#include "web/sessions.h"

#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/text.h"

namespace zol::web {

namespace {

// Past this many sessions or failure records the oldest idle ones go first; a flood of
// logins under made-up names then costs a bounded amount of memory.
constexpr std::size_t kMaxEntries = 10000;
constexpr auto kLongestWait = std::chrono::minutes(15);
// A record of failures is forgotten once its key has been quiet this long.
constexpr auto kForgetAfter = std::chrono::hours(1);

std::string key_of(std::string_view kind, std::string_view value) {
    return cat(kind, ":", value);
}

}  // namespace

std::string random_hex(std::size_t bytes) {
    std::vector<unsigned char> raw(bytes);
    for (std::size_t got = 0; got < bytes;) {
        const ssize_t n = ::getrandom(raw.data() + got, bytes - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error("無法取得亂數");
        got += static_cast<std::size_t>(n);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes * 2);
    for (const unsigned char b : raw) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

bool same_secret(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

Session Sessions::open(const std::string& user) {
    Session s{random_hex(32), user, random_hex(32)};
    const auto now = Clock::now();
    const std::lock_guard lock(mutex_);
    if (entries_.size() >= kMaxEntries) drop_idle(now);
    if (entries_.size() >= kMaxEntries) {
        const auto oldest = std::min_element(
            entries_.begin(), entries_.end(),
            [](auto& a, auto& b) { return a.second.last_used < b.second.last_used; });
        ended_.push_back(oldest->first);
        entries_.erase(oldest);
    }
    entries_[s.token] = {s, now};
    return s;
}

std::optional<Session> Sessions::find(std::string_view token) {
    const auto now = Clock::now();
    const std::lock_guard lock(mutex_);
    const auto it = entries_.find(token);
    if (it == entries_.end()) return std::nullopt;
    if (now - it->second.last_used > idle_) {
        ended_.push_back(it->first);
        entries_.erase(it);
        return std::nullopt;
    }
    it->second.last_used = now;
    return it->second.session;
}

void Sessions::close(std::string_view token) {
    const std::lock_guard lock(mutex_);
    if (const auto it = entries_.find(token); it != entries_.end()) {
        ended_.push_back(it->first);
        entries_.erase(it);
    }
}

void Sessions::close_user(std::string_view user) {
    const std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const auto& e) {
        const bool ends = e.second.session.user == user;
        if (ends) ended_.push_back(e.first);
        return ends;
    });
}

void Sessions::sweep() {
    const std::lock_guard lock(mutex_);
    drop_idle(Clock::now());
}

std::vector<std::string> Sessions::take_ended() {
    const std::lock_guard lock(mutex_);
    return std::exchange(ended_, {});
}

void Sessions::drop_idle(Clock::time_point now) {
    std::erase_if(entries_, [&](const auto& e) {
        const bool ends = now - e.second.last_used > idle_;
        if (ends) ended_.push_back(e.first);
        return ends;
    });
}

std::chrono::milliseconds LoginThrottle::wait(std::string_view name, std::string_view address) {
    const auto now = Clock::now();
    const std::lock_guard lock(mutex_);
    Clock::duration left{};
    for (const std::string& key : {key_of("u", name), key_of("a", address)})
        if (const auto it = records_.find(key); it != records_.end() && it->second.until > now)
            left = std::max(left, it->second.until - now);
    // Rounded up: "wait 0 ms" while still refused would invite an immediate retry.
    return std::chrono::ceil<std::chrono::milliseconds>(left);
}

void LoginThrottle::failed(std::string_view name, std::string_view address) {
    const auto now = Clock::now();
    const std::lock_guard lock(mutex_);
    if (records_.size() >= kMaxEntries)
        std::erase_if(records_, [&](const auto& r) { return now - r.second.until > kForgetAfter; });
    if (records_.size() >= kMaxEntries) records_.clear();
    fail_key(key_of("u", name), now);
    fail_key(key_of("a", address), now);
}

void LoginThrottle::fail_key(const std::string& key, Clock::time_point now) {
    Record& r = records_[key];
    if (r.failures > 0 && now - r.until > kForgetAfter) r.failures = 0;
    ++r.failures;
    auto wait = std::chrono::duration_cast<Clock::duration>(first_);
    for (int i = 1; i < r.failures && wait < kLongestWait; ++i) wait *= 2;
    r.until = now + std::min<Clock::duration>(wait, kLongestWait);
}

void LoginThrottle::succeeded(std::string_view name, std::string_view address) {
    const std::lock_guard lock(mutex_);
    for (const std::string& key : {key_of("u", name), key_of("a", address)})
        if (const auto it = records_.find(key); it != records_.end()) records_.erase(it);
}

}  // namespace zol::web
