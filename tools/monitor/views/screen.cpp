// The ncurses screen. Each value gets a column of equal width: its number, a bar over its range,
// and a sparkline of the last 10 s in what room is left. Rows that do not fit are counted. Text is
// cut and padded by the columns it takes, never inside a character.
#include "screen.h"

#include "cells.h"
#include "header.h"
#include "layout.h"
#include "printable.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <langinfo.h>
#include <ncurses.h>

namespace monitor {
namespace {

// Writes text at y, x, cut to the columns left before width.
void put(int y, int x, const std::string &text, int width) {
    mvaddstr(y, x, common::cutToWidth(text, width - x).c_str());
}

// The longest column header that fits, so that none is cut inside a word.
const char *columnsText(int width) {
    for (const char *text : {"values, bars over their range, last 10 s", "values, bars, last 10 s", "values"})
        if (kValuesStart + 1 + static_cast<int>(std::strlen(text)) <= width)
            return text;
    return "";
}

} // namespace

Screen::Screen() {
    std::setlocale(LC_ALL, "");
    utf8_ = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    initscr();
    cbreak();
    noecho();
    curs_set(0);
    keypad(stdscr, TRUE);
}

Screen::~Screen() { endwin(); }

void Screen::drawRow(int y, const std::string &address, const Row &row, double now, int width) {
    if (isSilent(row, now))
        attron(A_DIM);
    double rate = row.counter.rate(now);
    // A rate of 100000/s and more loses its decimal, so that it stays within its column.
    put(y, 0, common::padToWidth(address, kAddressWidth), width);
    mvprintw(y, kAddressWidth, " %*.*f", kRateWidth - 1, rate < 99999.95 ? 1 : 0, rate);
    ValueLayout layout = layoutValues(width, std::min(row.argc, kMaxValues));
    for (int i = 0; i < layout.shown; ++i) {
        int x = kValuesStart + i * layout.column;
        const Value &value = row.values[i];
        put(y, x, common::padToWidth(valueText(value, row.series[i]), kValueWidth), width);
        if (!value.numeric || layout.bars == 0)
            continue;
        const Series &series = row.series[i];
        mvaddstr(y, x + kValueWidth + 1,
                 bar(value.number, series.min, series.max, layout.bars, utf8_).c_str());
        if (layout.sparks > 0)
            mvaddstr(y, x + kValueWidth + 2 + layout.bars,
                     sparkline(row, i, now, layout.sparks, utf8_).c_str());
    }
    put(y, kValuesStart + layout.shown * layout.column, layout.hidden, width);
    attroff(A_DIM);
}

void Screen::draw(const Model &model, const Status &status, double now) {
    erase();
    int height = getmaxy(stdscr), width = getmaxx(stdscr);
    attron(A_BOLD);
    // The program's name goes first when the width is short, then the hub and the bridge are cut.
    Header header = makeHeader(model, status, now);
    std::string named = "vrennosc-monitor   " + header.top;
    int y = 0;
    for (const std::string &line :
         wrapToWidth(common::displayWidth(named) <= width ? named : header.top, width))
        put(y++, 0, line, width);
    attroff(A_BOLD);
    // The targets and the recording get lines of their own, so that the hub and the bridge stay on
    // the first; a line too long for the width goes on below, so that every target's state shows.
    if (status.frozen)
        header.lines.back() += "   FROZEN (space)";
    for (const std::string &line : header.lines)
        for (const std::string &part : wrapToWidth(line, width))
            put(y++, 0, part, width);
    attron(A_REVERSE);
    for (const std::string &part : wrapToWidth(header.hint, width))
        put(y++, 0, part, width);
    attroff(A_REVERSE);
    char columns[128];
    std::snprintf(columns, sizeof columns, "%-*s %*s  %s", kAddressWidth, "address", kRateWidth - 1, "rate/s",
                  columnsText(width));
    put(y++, 0, columns, width);
    size_t drawn = 0;
    for (const auto &[address, row] : model.rows()) {
        if (y >= height - 1)
            break;
        drawRow(y++, address, row, now, width);
        ++drawn;
    }
    if (drawn < model.rows().size())
        mvprintw(height - 1, 0, "... %zu more rows (a taller window shows them)",
                 model.rows().size() - drawn);
    wnoutrefresh(stdscr);
}

void Screen::show() { doupdate(); }

void Screen::repaint() { clearok(curscr, TRUE); }

Key Screen::waitKey(int timeoutMs) {
    timeout(timeoutMs);
    switch (getch()) {
    case 'q':
    case 'Q':
        return Key::Quit;
    case ' ':
        return Key::Freeze;
    case 'r':
        return Key::Reset;
    case 'c':
        return Key::Clear;
    default:
        return Key::None; // KEY_RESIZE included: the next draw takes the new size
    }
}

} // namespace monitor
