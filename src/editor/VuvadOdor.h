// VuvadOdor, the single-line editor: edits a fixed-width text in place on the
// screen, with insert and overwrite typing, recall of earlier answers (Up,
// Down) and the form's navigation keys, reported inside the text.
#pragma once

#include <string>
#include <vector>

#include "console/ConsoleKeyboard.h"
#include "console/ConsoleScreen.h"

namespace corvel {

// The markers the editor puts at the start of the text for Alt+X and Alt+B.
inline const std::string altXMarker{'\0', 45};
inline const std::string altBMarker{'\0', 48};

class VuvadOdor {
public:
    VuvadOdor(ConsoleScreen& screen, ConsoleKeyboard& keyboard) : screen_(screen), keyboard_(keyboard) {}

    // Edits text from the field origin (row, column) until Enter, Tab, Alt+X,
    // Alt+B or ESC on an empty text. The cursor must stand on the origin.
    void editField(std::string& text, int& row, int& column, std::vector<std::string>& history);

    // 0: insert mode; anything else: overwrite. Lives for the whole run.
    int overtypeMode = 0;

private:
    struct Field;
    bool handleKey(Field& field, int code);
    void typeCharacter(Field& field, char character);
    void redraw(const Field& field);
    void accept(Field& field);

    ConsoleScreen& screen_;
    ConsoleKeyboard& keyboard_;
};

}  // namespace corvel
