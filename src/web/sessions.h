// Who is logged in, and who failed to log in lately. Both are kept in memory only: a server
// started again asks everyone to log in again, which is what a clerk expects of a restart.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zol::web {

using Clock = std::chrono::steady_clock;

// `bytes` bytes from the kernel's random source (getrandom), as lowercase hex.
std::string random_hex(std::size_t bytes);

// Whether two secrets are equal, every byte compared whatever the first difference.
bool same_secret(std::string_view a, std::string_view b);

struct Session {
    std::string token;  // the cookie's value: 256 random bits
    std::string user;
    std::string csrf;  // sent back with every form that changes anything
};

class Sessions {
  public:
    explicit Sessions(std::chrono::seconds idle) : idle_(idle) {}

    Session open(const std::string& user);
    // The session of `token`, its idle time started again; nullopt when there is none or it
    // lay idle too long (it is then ended).
    std::optional<Session> find(std::string_view token);
    void close(std::string_view token);
    // Ends every session of `user` (an account that was removed).
    void close_user(std::string_view user);
    // Ends the sessions that lay idle too long.
    void sweep();
    // The tokens of the sessions ended since the last call, however they ended, so that
    // what was kept for them can go too.
    std::vector<std::string> take_ended();

  private:
    struct Entry {
        Session session;
        Clock::time_point last_used;
    };
    void drop_idle(Clock::time_point now);

    const std::chrono::seconds idle_;
    std::mutex mutex_;
    std::map<std::string, Entry, std::less<>> entries_;
    std::vector<std::string> ended_;
};

// Failed logins, per account name and per client address: each failure doubles the time
// that key is refused (from `first` up to a quarter of an hour). A refused attempt is
// answered at once, so guessing costs the guesser time and never a server thread.
class LoginThrottle {
  public:
    explicit LoginThrottle(std::chrono::milliseconds first) : first_(first) {}

    // How long `name` or `address` is still refused; zero when an attempt may be made.
    std::chrono::milliseconds wait(std::string_view name, std::string_view address);
    void failed(std::string_view name, std::string_view address);
    void succeeded(std::string_view name, std::string_view address);

  private:
    struct Record {
        int failures = 0;
        Clock::time_point until;
    };
    void fail_key(const std::string& key, Clock::time_point now);

    const std::chrono::milliseconds first_;
    std::mutex mutex_;
    std::map<std::string, Record, std::less<>> records_;
};

}  // namespace zol::web
