// serve_picture: what a page must change in the picture it shows. The
// picture is drawn whole, but most actions change a control or two: when the
// rest (the frame: panels, titles, where each control is) is the same, only
// the control groups that differ are sent, by their place in the picture.
#ifndef HOST_SERVE_PICTURE_H
#define HOST_SERVE_PICTURE_H

#include <string>
#include <vector>

struct picture_parts {
    std::string frame;                 // the picture with each control group emptied
    std::vector<std::string> controls; // each <g data-control=...> group, in order
};

picture_parts split_picture(const std::string& svg);

// JSON [[INDEX,"GROUP"],...] of the control groups that changed from `before`
// to `after`; empty when the frames differ and the whole picture must go.
std::string changed_controls(const picture_parts& before, const picture_parts& after);

#endif
