// Which save format, compression and colour depth of the image edit control
// go together: the check Save, GetMemHandle and the page operations' callers
// rely on before anything is written.
#ifndef CONTROLS_EDIT_SAVE_FORMAT_H_
#define CONTROLS_EDIT_SAVE_FORMAT_H_

#include <cstdint>

namespace ondavel {

// 0 when a file of `media_format` with `compression` may be written from an
// image of `color_depth`, else 1012 (qrvErrInvalidSaveFormat). Formats
// without a rule (none is offered for saving) are accepted: the library then
// answers for them.
int16_t CheckSaveFormat(int16_t media_format, int16_t compression, int16_t color_depth);

}  // namespace ondavel

#endif  // CONTROLS_EDIT_SAVE_FORMAT_H_
