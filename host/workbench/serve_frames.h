// serve_frames: what "serve" and the panel's process say to each other over
// their pipes. Every message is one frame: "NAME LENGTH\n", then LENGTH
// bytes, then "\n". NAME is 1..16 lowercase letters or "-", LENGTH plain
// decimal up to maxFrameBytes. A frame's bytes may be frames themselves (a
// result, a state), read with the same reader. Anything else on a pipe is a
// fault of the side that wrote it, never guessed around.
#ifndef HOST_SERVE_FRAMES_H
#define HOST_SERVE_FRAMES_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

constexpr std::size_t maxFrameBytes = 64u << 20;

std::string frame(const std::string& name, const std::string& bytes);

enum class frame_status { frame, more, garbage };

// Takes the first frame off the front of `buffer` into name and bytes.
// `more`: the frame is not complete yet (nothing taken); `garbage`: the
// buffer does not start with a frame, and `why` says what is wrong.
frame_status take_frame(std::string& buffer, std::string& name, std::string& bytes, std::string& why);

using frame_list = std::vector<std::pair<std::string, std::string>>;
// Every frame of a nested message; false when it is not frames to its end.
bool split_frames(std::string text, frame_list& out);

#endif
