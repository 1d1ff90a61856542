// The posted bodies of the save tests.
#pragma once

#include <optional>
#include <string>

namespace savetest {

// A record-form body: letter, 8-digit lengths, header, CR LF, picture [, animation].
inline std::string recordBody(char letter, const std::string& header, const std::string& picture,
                              const std::optional<std::string>& animation = std::nullopt) {
    auto field = [](size_t n) {
        std::string digits = std::to_string(n);
        return std::string(8 - digits.size(), '0') + digits;
    };
    std::string body = std::string(1, letter) + field(header.size()) + header + field(picture.size()) + "\r\n";
    return animation ? body + picture + field(animation->size()) + *animation : body + picture;
}

}  // namespace savetest
