// A raw HTTP/1.1 client over a loopback socket, for tests that send exactly the bytes they
// choose (malformed ones too) and read what the server answers until it closes.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "support/files.h"

namespace zol::test {

struct HttpReply {
    int status = 0;  // 0: the connection closed without an answer
    std::string head, body;
    // The value of the first header `name` (as written, case and all), or empty.
    std::string header(std::string_view name) const {
        const std::string key = "\r\n" + std::string(name) + ": ";
        const std::size_t at = head.find(key);
        if (at == std::string::npos) return {};
        const std::size_t from = at + key.size();
        return head.substr(from, head.find("\r\n", from) - from);
    }
};

// The length of the body that `head` announces; 0 when it announces none.
inline std::size_t announced_length(const std::string& head) {
    const std::size_t at = head.find("\r\nContent-Length: ");
    return at == std::string::npos ? 0 : std::stoul(head.substr(at + 18, 12));
}

// Sends `raw` to 127.0.0.1:`port` and reads the first answer: until its announced body is
// in, the server closes, or two seconds pass without a byte. (The sending half stays open:
// a server may take a half-closed connection for a client that left.)
inline HttpReply http_raw(int port, std::string_view raw) {
    HttpReply r;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return r;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval wait{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string got;
    std::size_t end = std::string::npos;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        for (std::size_t sent = 0; sent < raw.size();) {
            const ssize_t n = ::send(fd, raw.data() + sent, raw.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        const bool head_only = raw.starts_with("HEAD ");
        char buf[4096];
        for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) {
            got.append(buf, static_cast<std::size_t>(n));
            end = got.find("\r\n\r\n");
            if (end != std::string::npos &&
                (head_only || got.size() >= end + 4 + announced_length(got.substr(0, end))))
                break;
        }
    }
    ::close(fd);
    if (got.starts_with("HTTP/1.1 ") && got.size() > 12) r.status = std::stoi(got.substr(9, 3));
    r.head = got.substr(0, end);
    if (end != std::string::npos) r.body = got.substr(end + 4);
    return r;
}

// A well-formed request; `cookie` and `form` (a urlencoded body) when not empty.
inline HttpReply http(int port, std::string_view method, std::string_view target,
                      std::string_view cookie = {}, std::string_view form = {}) {
    std::string raw = std::string(method) + " " + std::string(target) +
                      " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!cookie.empty()) raw += "Cookie: " + std::string(cookie) + "\r\n";
    if (method == "POST")
        raw += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
               std::to_string(form.size()) + "\r\n";
    return http_raw(port, raw + "\r\n" + std::string(form));
}

}  // namespace zol::test
