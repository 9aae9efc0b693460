// The dialog services on GTK 3: a template's controls placed on a GtkFixed at
// their dialog-unit rectangles, converted to pixels from the template font.
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "platform/dialog/windows_dialog.h"
#include "platform/display/DynamicError.h"
#include "platform/display/icon.h"

namespace {

// Closed drop-down lists are one line high; the template's height is that of
// the list when open, which GTK sizes by itself.
constexpr int closedDropDownHeight = 13;

// The template's font names an old bitmap family; any sans face stands in.
constexpr const char* templateFontFamily = "Sans";

// Pixels per dialog unit come from the font: a horizontal unit is a quarter of
// the average character width, a vertical one an eighth of the line height.
struct DialogUnits {
    int averageCharWidth;
    int lineHeight;
    int x(int units) const { return static_cast<int>(std::lround(units * averageCharWidth / 4.0)); }
    int y(int units) const { return static_cast<int>(std::lround(units * lineHeight / 8.0)); }
};

GdkPixbuf* newIconPixbuf() {
    int width = 0, height = 0;
    const uint32_t* pixels = mainIconPixels(width, height);
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    guchar* rows = gdk_pixbuf_get_pixels(pixbuf);
    int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < height; ++y) {
        guchar* out = rows + y * stride;
        for (int x = 0; x < width; ++x) {
            uint32_t word = pixels[y * width + x];
            *out++ = static_cast<guchar>(word >> 16);
            *out++ = static_cast<guchar>(word >> 8);
            *out++ = static_cast<guchar>(word);
            *out++ = static_cast<guchar>(word >> 24);
        }
    }
    return pixbuf;
}

// Template dialogs are drawn tight, as their small units expect: GTK's theme
// paddings would otherwise make the controls taller than their rectangles.
constexpr const char* templateDialogStyle = R"(
.template-dialog button { padding: 0px 4px; min-height: 0px; min-width: 0px; }
.template-dialog combobox button { padding: 0px 4px; }
.template-dialog checkbutton { padding: 0px; }
.template-dialog check { min-width: 12px; min-height: 12px; margin: 0px 4px 0px 0px; }
.template-dialog frame > border { border-radius: 0px; }
)";

// Starts GTK once; false, and nothing started, when no display can be opened.
bool tryStartGtk() {
    static bool started = false;
    if (started) return true;
    // The rest of the program formats and reads numbers in the C locale; GTK
    // would otherwise switch the whole process to the user's.
    gtk_disable_setlocale();
    if (!gtk_init_check(nullptr, nullptr)) return false;
    started = true;

    GdkPixbuf* icon = newIconPixbuf();
    gtk_window_set_default_icon(icon);
    g_object_unref(icon);

    GtkCssProvider* style = gtk_css_provider_new();
    gtk_css_provider_load_from_data(style, templateDialogStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(style),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(style);
    return true;
}

void startGtk() {
    if (tryStartGtk()) return;
    const char* display = std::getenv("DISPLAY");
    throw DynamicError(std::string("No display available: cannot open ") +
                       (display != nullptr && *display != '\0' ? "display \"" + std::string(display) + "\""
                                                               : std::string("a display (DISPLAY is not set)")));
}

// Dialogs and message boxes keep their size, so the window manager is asked
// for no maximise, minimise or resize: only a move and a close box.
void onFixedWindowRealized(GtkWidget* window, gpointer) {
    gdk_window_set_functions(gtk_widget_get_window(window), static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
}

// Some window managers draw minimise and maximise buttons on every frame
// whatever the window asks (openbox does, for dialogs too), so the window
// draws its own title bar, with the title and a close box only, and the
// window manager no frame.
void keepFixedSize(GtkWindow* window, const char* title) {
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    GtkWidget* bar = gtk_header_bar_new();
    gtk_header_bar_set_title(GTK_HEADER_BAR(bar), title);
    gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(bar), TRUE);
    gtk_header_bar_set_decoration_layout(GTK_HEADER_BAR(bar), ":close");
    gtk_widget_show(bar);
    gtk_window_set_titlebar(window, bar);
    g_signal_connect(window, "realize", G_CALLBACK(onFixedWindowRealized), nullptr);
}

// The template's '&' marks become GTK's '_' mnemonics.
std::string mnemonicText(const char* text) {
    std::string converted;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '&') {
            if (c[1] == '&') {
                converted += '&';
                ++c;
            } else {
                converted += '_';
            }
        } else if (*c == '_') {
            converted += "__";
        } else {
            converted += *c;
        }
    }
    return converted;
}

PangoFontDescription* newTemplateFont(const DialogTemplate& layout) {
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, templateFontFamily);
    pango_font_description_set_size(font, layout.fontPointSize * PANGO_SCALE);
    return font;
}

DialogUnits measureDialogUnits(GtkWidget* window, const PangoFontDescription* font) {
    PangoContext* context = gtk_widget_create_pango_context(window);
    PangoLayout* text = pango_layout_new(context);
    pango_layout_set_font_description(text, font);
    pango_layout_set_text(text, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", -1);
    int width = 0, height = 0;
    pango_layout_get_pixel_size(text, &width, &height);
    g_object_unref(text);
    g_object_unref(context);
    // Rounded half of the width of the 26-letter pair.
    return {(width / 26 + 1) / 2, height};
}

std::string cssFont(const DialogTemplate& layout) {
    return "window.template-dialog, window.template-dialog * { font-family: " + std::string(templateFontFamily) +
           "; font-size: " + std::to_string(layout.fontPointSize) + "pt; }";
}

class GtkTemplateDialog : public DialogWindow {
public:
    GtkTemplateDialog(const DialogTemplate& layout, DLGPROC procedure, GtkWindow* owner);
    ~GtkTemplateDialog() override;

    LRESULT sendItemMessage(int control, UINT message, WPARAM wParam, LPARAM lParam) override;

    GtkWindow* window() const { return GTK_WINDOW(toplevel); }
    GtkWidget* widgetOf(int control) const;
    void show() { gtk_widget_show_all(toplevel); }
    // Delivers a command from a GTK signal; a failure ends the dialog and is
    // thrown again once its loop is left, never across GTK's frames.
    void deliverCommand(int command, UINT notification);
    void rethrowFailure() {
        if (failure) std::rethrow_exception(failure);
    }

private:
    struct Binding {
        GtkTemplateDialog* dialog;
        int control;
    };
    static void onClicked(GtkButton* button, gpointer data);
    static void onChanged(GtkComboBox* list, gpointer data);
    static gboolean onKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer data);
    static gboolean onDelete(GtkWidget* widget, GdkEvent* event, gpointer data);

    GtkWidget* createControl(const DialogControlTemplate& control, Binding* binding);
    void centreLabelsOnTheirLists(GtkFixed* area, const DialogUnits& units);
    bool isPushButton(GtkWidget* widget) const;

    GtkWidget* toplevel;
    GtkCssProvider* fontStyle;
    std::vector<GtkWidget*> widgets;  // in template order
    std::vector<Binding> bindings;    // in template order
    bool programmatic = false;        // changes made by messages notify no one
    std::exception_ptr failure;
};

GtkTemplateDialog::GtkTemplateDialog(const DialogTemplate& layout, DLGPROC procedure, GtkWindow* owner)
    : DialogWindow(layout, procedure), bindings(layout.controls.size()) {
    toplevel = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_style_context_add_class(gtk_widget_get_style_context(toplevel), "template-dialog");
    fontStyle = gtk_css_provider_new();
    gtk_css_provider_load_from_data(fontStyle, cssFont(layout).c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(fontStyle),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

    gtk_window_set_title(window(), layout.caption);
    keepFixedSize(window(), layout.caption);
    gtk_window_set_modal(window(), TRUE);
    if (owner != nullptr) gtk_window_set_transient_for(window(), owner);

    PangoFontDescription* font = newTemplateFont(layout);
    DialogUnits units = measureDialogUnits(toplevel, font);
    pango_font_description_free(font);
    // Centred on the screen, or over the owner, wherever the template puts it.
    gtk_window_set_position(window(), owner != nullptr ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);

    GtkWidget* area = gtk_fixed_new();
    gtk_widget_set_size_request(area, units.x(layout.width), units.y(layout.height));
    gtk_container_add(GTK_CONTAINER(toplevel), area);

    GList* focusChain = nullptr;
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        const DialogControlTemplate& control = layout.controls[i];
        bindings[i] = {this, control.id};
        GtkWidget* widget = createControl(control, &bindings[i]);
        int height = control.kind == DialogControlKind::DropDownList ? closedDropDownHeight : control.height;
        gtk_widget_set_size_request(widget, units.x(control.width), units.y(height));
        gtk_widget_set_sensitive(widget, !control.disabled);
        gtk_fixed_put(GTK_FIXED(area), widget, units.x(control.x), units.y(control.y));
        widgets.push_back(widget);
        if (gtk_widget_get_can_focus(widget) || GTK_IS_COMBO_BOX(widget))
            focusChain = g_list_append(focusChain, widget);
    }
    // Hidden widgets measure nothing: the controls are shown (the window is
    // not yet) before the labels are measured against their lists.
    gtk_widget_show_all(area);
    centreLabelsOnTheirLists(GTK_FIXED(area), units);
    // Tab moves through the controls in template order, as the template means.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(area), focusChain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(focusChain);

    g_signal_connect(toplevel, "key-press-event", G_CALLBACK(onKeyPress), this);
    g_signal_connect(toplevel, "delete-event", G_CALLBACK(onDelete), this);
}

GtkTemplateDialog::~GtkTemplateDialog() {
    gtk_widget_destroy(toplevel);
    gtk_style_context_remove_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(fontStyle));
    g_object_unref(fontStyle);
}

GtkWidget* GtkTemplateDialog::createControl(const DialogControlTemplate& control, Binding* binding) {
    switch (control.kind) {
        case DialogControlKind::PushButton: {
            GtkWidget* button = gtk_button_new_with_mnemonic(mnemonicText(control.text).c_str());
            gtk_widget_set_can_default(button, FALSE);
            g_signal_connect(button, "clicked", G_CALLBACK(onClicked), binding);
            return button;
        }
        case DialogControlKind::AutoCheckBox: {
            GtkWidget* box = gtk_check_button_new_with_mnemonic(mnemonicText(control.text).c_str());
            g_signal_connect(box, "clicked", G_CALLBACK(onClicked), binding);
            return box;
        }
        case DialogControlKind::GroupBox:
            return gtk_frame_new(textWithoutShortcuts(control.text).c_str());
        case DialogControlKind::DropDownList: {
            GtkWidget* list = gtk_combo_box_text_new();
            g_signal_connect(list, "changed", G_CALLBACK(onChanged), binding);
            return list;
        }
        case DialogControlKind::Label: {
            GtkWidget* label = gtk_label_new(textWithoutShortcuts(control.text).c_str());
            gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
            gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
            return label;
        }
    }
    throw DynamicError("Unknown control kind in dialog template");
}

// A label on the row of a drop-down list names it. The template gives the
// label a line's height at the list's top, which would leave its text above
// the list's own; it takes the list's row instead, its text centred there.
void GtkTemplateDialog::centreLabelsOnTheirLists(GtkFixed* area, const DialogUnits& units) {
    const std::vector<DialogControlTemplate>& controls = layout().controls;
    for (size_t label = 0; label < controls.size(); ++label) {
        if (controls[label].kind != DialogControlKind::Label) continue;
        const DialogControlTemplate& text = controls[label];
        for (size_t list = 0; list < controls.size(); ++list) {
            const DialogControlTemplate& row = controls[list];
            bool sameRow = row.kind == DialogControlKind::DropDownList && text.y < row.y + closedDropDownHeight &&
                           row.y < text.y + text.height && text.x + text.width <= row.x;
            if (!sameRow) continue;
            int listHeight = 0;
            gtk_widget_get_preferred_height(widgets[list], &listHeight, nullptr);
            gtk_widget_set_size_request(widgets[label], units.x(text.width), listHeight);
            gtk_label_set_yalign(GTK_LABEL(widgets[label]), 0.5f);
            gtk_fixed_move(area, widgets[label], units.x(text.x), units.y(row.y));
            break;
        }
    }
}

GtkWidget* GtkTemplateDialog::widgetOf(int id) const {
    const DialogControlTemplate& wanted = control(id);
    return widgets[static_cast<size_t>(&wanted - layout().controls.data())];
}

bool GtkTemplateDialog::isPushButton(GtkWidget* widget) const {
    for (size_t i = 0; i < widgets.size(); ++i) {
        if (widgets[i] == widget) return layout().controls[i].kind == DialogControlKind::PushButton;
    }
    return false;
}

LRESULT GtkTemplateDialog::sendItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogControlKind kind = control(id).kind;
    GtkWidget* widget = widgetOf(id);
    struct Quiet {
        bool& flag;
        bool saved;
        explicit Quiet(bool& f) : flag(f), saved(f) { flag = true; }
        ~Quiet() { flag = saved; }
    } quiet(programmatic);

    if (kind == DialogControlKind::DropDownList) {
        GtkComboBoxText* list = GTK_COMBO_BOX_TEXT(widget);
        GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(list));
        switch (message) {
            case CB_RESETCONTENT:
                gtk_combo_box_text_remove_all(list);
                return CB_OKAY;
            case CB_ADDSTRING: {
                const char* item = reinterpret_cast<const char*>(lParam);
                gtk_combo_box_text_append_text(list, item == nullptr ? "" : item);
                return gtk_tree_model_iter_n_children(model, nullptr) - 1;
            }
            case CB_SETCURSEL: {
                INT_PTR index = static_cast<INT_PTR>(wParam);
                if (index < 0 || index >= gtk_tree_model_iter_n_children(model, nullptr)) {
                    gtk_combo_box_set_active(GTK_COMBO_BOX(list), -1);
                    return CB_ERR;
                }
                gtk_combo_box_set_active(GTK_COMBO_BOX(list), static_cast<gint>(index));
                return index;
            }
            case CB_GETCURSEL:
                return gtk_combo_box_get_active(GTK_COMBO_BOX(list));
        }
    }
    if (kind == DialogControlKind::AutoCheckBox) {
        switch (message) {
            case BM_SETCHECK:
                gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), wParam == BST_CHECKED);
                return 0;
            case BM_GETCHECK:
                return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget)) ? BST_CHECKED : BST_UNCHECKED;
        }
    }
    rejectMessage(id, message);
}

void GtkTemplateDialog::deliverCommand(int command, UINT notification) {
    if (programmatic || hasEnded()) return;
    try {
        sendCommand(command, notification);
    } catch (...) {
        failure = std::current_exception();
        end(-1);
    }
}

void GtkTemplateDialog::onClicked(GtkButton*, gpointer data) {
    Binding* binding = static_cast<Binding*>(data);
    binding->dialog->deliverCommand(binding->control, BN_CLICKED);
}

void GtkTemplateDialog::onChanged(GtkComboBox*, gpointer data) {
    Binding* binding = static_cast<Binding*>(data);
    binding->dialog->deliverCommand(binding->control, CBN_SELCHANGE);
}

// Escape cancels. Enter clicks the push button that has the focus, as GTK
// does by itself; anywhere else it sends IDOK, there being no default button.
gboolean GtkTemplateDialog::onKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    GtkTemplateDialog* dialog = static_cast<GtkTemplateDialog*>(data);
    guint modifiers = event->state & gtk_accelerator_get_default_mod_mask();
    if (modifiers != 0) return FALSE;
    switch (event->keyval) {
        case GDK_KEY_Escape:
            dialog->deliverCommand(IDCANCEL, BN_CLICKED);
            return TRUE;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
            if (dialog->isPushButton(gtk_window_get_focus(dialog->window()))) return FALSE;
            dialog->deliverCommand(IDOK, BN_CLICKED);
            return TRUE;
    }
    return FALSE;
}

gboolean GtkTemplateDialog::onDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<GtkTemplateDialog*>(data)->deliverCommand(IDCANCEL, BN_CLICKED);
    return TRUE;  // the procedure decides whether the dialog ends
}

// Lets GTK finish everything it queued, so the X server has seen the dialog
// go before another toolkit opens its window on the same display.
void drainEvents() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    gdk_display_sync(gdk_display_get_default());
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

GtkWindow* ownerWindow(DialogWindow* owner) {
    GtkTemplateDialog* dialog = dynamic_cast<GtkTemplateDialog*>(owner);
    return dialog == nullptr ? nullptr : dialog->window();
}

}  // namespace

INT_PTR runScreenDialog(const DialogTemplate& layout, HWND owner, DLGPROC procedure, LPARAM parameter) {
    DialogWindow* ownerDialog = owner == nullptr ? nullptr : &dialogFromHandle(owner);
    startGtk();
    INT_PTR result = 0;
    {
        GtkTemplateDialog dialog(layout, procedure, ownerWindow(ownerDialog));
        dialog.send(WM_INITDIALOG, 0, parameter);
        if (!dialog.hasEnded()) {
            dialog.show();
            while (!dialog.hasEnded()) gtk_main_iteration();
        }
        dialog.rethrowFailure();
        result = dialog.endResult();
    }
    drainEvents();
    return result;
}

namespace {

// The owner's window with the window manager's frame, if it has one, and the
// frame's extra width; the part of the screen it is on.
struct OwnerPlace {
    GdkRectangle frame;
    int extraWidth;
    GdkRectangle screen;
};

OwnerPlace ownerPlace(GdkWindow* owner) {
    OwnerPlace place;
    gdk_window_get_frame_extents(owner, &place.frame);
    place.extraWidth = place.frame.width - gdk_window_get_width(owner);
    gdk_monitor_get_workarea(gdk_display_get_monitor_at_window(gdk_window_get_display(owner), owner), &place.screen);
    return place;
}

// A box wider than fits centred over its owner would be pushed against the
// screen's edge: its text is wrapped narrower until it fits, down to a
// readable width.
void narrowToFit(GtkMessageDialog* box, const OwnerPlace& owner) {
    int centre = owner.frame.x + owner.frame.width / 2;
    int widest = 2 * std::min(centre - owner.screen.x, owner.screen.x + owner.screen.width - centre) - owner.extraWidth;
    std::vector<GtkLabel*> labels;
    GList* texts = gtk_container_get_children(GTK_CONTAINER(gtk_message_dialog_get_message_area(box)));
    for (GList* text = texts; text != nullptr; text = text->next) {
        if (GTK_IS_LABEL(text->data)) labels.push_back(GTK_LABEL(text->data));
    }
    g_list_free(texts);
    constexpr int narrowestLine = 24;  // characters
    for (int line = 60; line > narrowestLine; line -= 2) {
        GtkRequisition size;
        gtk_widget_get_preferred_size(GTK_WIDGET(box), nullptr, &size);
        if (size.width <= widest) break;
        for (GtkLabel* label : labels) gtk_label_set_max_width_chars(label, line - 2);
    }
}

// Centres the box on its owner, its text narrowed to fit the screen there.
// Both draw their own title bars, so no window manager's frame is left out.
void placeOverOwner(GtkMessageDialog* box, GtkWindow* owner) {
    if (GdkWindow* ownerWindow = gtk_widget_get_window(GTK_WIDGET(owner))) narrowToFit(box, ownerPlace(ownerWindow));
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER_ON_PARENT);
}

// Whether picture files can be read here at all: without the MIME database
// (XDG_DATA_DIRS naming no place that holds it) GTK recognises no picture, and
// asked for an icon it warns on standard error and then aborts on its own
// missing-image sign. A small PNG, written and read back, tells.
bool picturesCanBeRead() {
    static const bool readable = [] {
        GdkPixbuf* dot = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 1, 1);
        gchar* png = nullptr;
        gsize size = 0;
        bool written = gdk_pixbuf_save_to_buffer(dot, &png, &size, "png", nullptr, nullptr);
        g_object_unref(dot);
        if (!written) return false;
        GInputStream* stream = g_memory_input_stream_new_from_data(png, static_cast<gssize>(size), g_free);
        GdkPixbuf* read = gdk_pixbuf_new_from_stream(stream, nullptr, nullptr);
        g_object_unref(stream);
        if (read == nullptr) return false;
        g_object_unref(read);
        return true;
    }();
    return readable;
}

// The icon theme's picture of this name at message box size, or null: the
// box then goes without one rather than showing a broken-image sign.
GdkPixbuf* themePicture(const char* name) {
    if (!picturesCanBeRead()) return nullptr;
    GtkIconTheme* theme = gtk_icon_theme_get_default();
    if (!gtk_icon_theme_has_icon(theme, name)) return nullptr;
    int size = 48;
    gtk_icon_size_lookup(GTK_ICON_SIZE_DIALOG, &size, nullptr);
    return gtk_icon_theme_load_icon(theme, name, size, GTK_ICON_LOOKUP_FORCE_SIZE, nullptr);
}

}  // namespace

int showScreenMessageBox(DialogWindow* owner, const char* text, const char* caption, UINT type) {
    startGtk();
    GtkMessageType kind = (type & MB_ICONERROR) != 0         ? GTK_MESSAGE_ERROR
                          : (type & MB_ICONINFORMATION) != 0 ? GTK_MESSAGE_INFO
                                                             : GTK_MESSAGE_OTHER;
    GtkWindow* parent = ownerWindow(owner);
    GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, kind, GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(box), caption);
    keepFixedSize(GTK_WINDOW(box), caption);
    // Return presses OK wherever the focus is; Escape closes the box as well.
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
    // GTK 3 message boxes no longer show their type's picture by themselves.
    const char* picture = kind == GTK_MESSAGE_ERROR  ? "dialog-error"
                          : kind == GTK_MESSAGE_INFO ? "dialog-information"
                                                     : nullptr;
    if (GdkPixbuf* pixels = picture == nullptr ? nullptr : themePicture(picture)) {
        GtkWidget* image = gtk_image_new_from_pixbuf(pixels);
        g_object_unref(pixels);
        G_GNUC_BEGIN_IGNORE_DEPRECATIONS
        gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(box), image);
        G_GNUC_END_IGNORE_DEPRECATIONS
        gtk_widget_show(image);
    }
    if (parent != nullptr) {
        placeOverOwner(GTK_MESSAGE_DIALOG(box), parent);
    } else {
        gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    }
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    drainEvents();
    return IDOK;
}

bool screenDialogsAvailable() { return tryStartGtk(); }

namespace {

GtkTemplateDialog& gtkDialog(HWND handle) {
    GtkTemplateDialog* dialog = dynamic_cast<GtkTemplateDialog*>(&dialogFromHandle(handle));
    if (dialog == nullptr) throw DynamicError("Not a dialog of the GTK backend");
    return *dialog;
}

}  // namespace

PixelBox gtkControlBox(HWND handle, int control) {
    GtkTemplateDialog& dialog = gtkDialog(handle);
    GtkWidget* widget = dialog.widgetOf(control);
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(widget, GTK_WIDGET(dialog.window()), 0, 0, &x, &y);
    return {x, y, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget)};
}

PixelBox gtkLabelTextBox(HWND handle, int control) {
    GtkTemplateDialog& dialog = gtkDialog(handle);
    GtkWidget* widget = dialog.widgetOf(control);
    if (!GTK_IS_LABEL(widget)) throw DynamicError("Control " + std::to_string(control) + " is not a label");
    // The layout's place is given in the coordinates of the label's parent window.
    int layoutX = 0, layoutY = 0;
    gtk_label_get_layout_offsets(GTK_LABEL(widget), &layoutX, &layoutY);
    PangoRectangle line;
    pango_layout_get_pixel_extents(gtk_label_get_layout(GTK_LABEL(widget)), nullptr, &line);
    GtkAllocation allocation;
    gtk_widget_get_allocation(widget, &allocation);
    PixelBox box = gtkControlBox(handle, control);
    return {box.x + layoutX - allocation.x + line.x, box.y + layoutY - allocation.y + line.y, line.width, line.height};
}
