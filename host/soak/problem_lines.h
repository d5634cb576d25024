// problem_lines: the stream a soak's conversation goes to. Nothing is kept
// but the lines that name a fault of the panel ("    ! ..."), the first few
// of them; a week of conversation costs no memory.
#ifndef HOST_SOAK_PROBLEM_LINES_H
#define HOST_SOAK_PROBLEM_LINES_H

#include <streambuf>
#include <string>
#include <vector>

namespace quon::host {

class problem_lines final : public std::streambuf {
public:
    static constexpr std::size_t kept = 5, longest = 300;
    // The fault lines not taken yet, without their line end.
    std::vector<std::string> take();

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;

private:
    void end_line();
    std::string line_;
    std::vector<std::string> lines_;
    std::size_t seen_ = 0;
};

} // namespace quon::host

#endif
