// The live screen in ncurses: the header, the hint, and one row per address with its values,
// bars and sparklines. Keys: q quits, space freezes, r resets ranges, c clears rows.
#pragma once

#include "model.h"
#include "status.h"

#include <string>

namespace monitor {

enum class Key { None, Quit, Freeze, Reset, Clear };

class Screen {
public:
    // Takes the terminal; blocks are Unicode when the locale is UTF-8.
    Screen();
    // Gives the terminal back.
    ~Screen();
    Screen(const Screen &) = delete;
    Screen &operator=(const Screen &) = delete;

    // Draws the model into the screen's buffer; show() then writes it to the terminal.
    void draw(const Model &model, const Status &status, double now);
    void show();
    // Makes the next show() repaint the whole terminal, over anything else written to it.
    void repaint();
    // Waits up to timeoutMs for a key; follows a resize on the way.
    Key waitKey(int timeoutMs);

private:
    void drawRow(int y, const std::string &address, const Row &row, double now, int width);
    bool utf8_;
};

} // namespace monitor
