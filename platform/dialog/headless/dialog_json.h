// A dialog as JSON, for a page to draw it: the template (caption, size and
// controls placed in dialog units) and the controls' state (enabled, checked,
// a list's items and selection). The browser's dialog backend hands both to
// the page at run time; the page's build paints the launcher from the same
// text before the program has arrived.
#pragma once

#include <string>

#include "platform/dialog/dialog_template.h"
#include "platform/dialog/headless/windows_headless.h"

// { caption, width, height, defaultId, controls: [{ id, kind, text, x, y, width, height }] }
std::string dialogLayoutJson(const DialogTemplate& layout);

// `text` as a JSON string, quotes included.
std::string jsonQuoted(const std::string& text);

// [{ id, enabled, checked, selection, items }] in template order.
std::string dialogStatesJson(const HeadlessDialog& dialog);
