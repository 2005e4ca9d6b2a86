#pragma once
// Why something could not be done, in one line a user can act on. What can
// fail returns a Problem; an empty one means it was done:
//     if (Problem problem = video.open(settings)) return problem;
#include <string>

class [[nodiscard]] Problem {
public:
    Problem() = default;
    Problem(std::string message) : text(std::move(message)) {}  // a reason is a problem
    Problem(const char* message) : text(message) {}

    explicit operator bool() const { return !text.empty(); }
    const std::string& message() const { return text; }

private:
    std::string text;
};
