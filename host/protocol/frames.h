// frames: what "serve" and the panel's process say to each other over
// their pipes. Every message is one frame: "NAME LENGTH\n", then LENGTH
// bytes, then "\n". NAME is 1..16 lowercase letters or "-", LENGTH plain
// decimal up to maxFrameBytes. A frame's bytes may be frames themselves (a
// result, a state), read with the same reader. Anything else on a pipe is a
// fault of the side that wrote it, never guessed around.
#ifndef HOST_PROTOCOL_FRAMES_H
#define HOST_PROTOCOL_FRAMES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quon::host {

constexpr std::size_t maxFrameBytes = 64u << 20;

std::string frame(std::string_view name, std::string_view bytes);
// Appends frame(name, bytes) to `out`.
void append_frame(std::string& out, std::string_view name, std::string_view bytes);

enum class frame_status { frame, more, garbage };

// Reads the frame that starts at `at` in `text` into name and bytes (views
// into `text`) and moves `at` past it; the statuses as take_frame's.
frame_status read_frame(std::string_view text, std::size_t& at, std::string_view& name, std::string_view& bytes,
                        std::string& why);

// Takes the first frame off the front of `buffer` into name and bytes.
// `more`: the frame is not complete yet (nothing taken); `garbage`: the
// buffer does not start with a frame, and `why` says what is wrong.
frame_status take_frame(std::string& buffer, std::string& name, std::string& bytes, std::string& why);

// Names and bytes of the frames of a nested message, as views into it.
using frame_list = std::vector<std::pair<std::string_view, std::string_view>>;
// Every frame of a nested message; false when it is not frames to its end.
bool split_frames(std::string_view text, frame_list& out);

} // namespace quon::host

#endif
