#pragma once

#include <QWidget>

#include <functional>
#include <typeindex>

namespace platform {

// A window: a top-level widget whose geometry is read and set in twips, and whose events are
// delivered to the handlers below. One instance per window class exists at a time (see Forms).
class Form : public QWidget {
    Q_OBJECT

public:
    enum FormState { Normal = 0, Minimized = 1, Maximized = 2 };
    // How a window is being closed, as Form_QueryUnload is told.
    enum UnloadMode { FormControlMenu = 0, FormCode = 1 };

    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    // Outer geometry (frame and title bar included), in twips; Left and Top from the show's
    // monitor's top-left corner (Screen::Origin). A value set by the program reads back exactly;
    // after the user or the window manager changed it, the real size is read.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    // Client area, for windows whose design gives the inside size.
    void setClientSize(float widthTwips, float heightTwips);
    // In the middle of the screen, at the window's present size.
    void centreOnScreen();

    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }

    FormState WindowState() const;
    void setWindowState(FormState state);

    // Modeless, without an owner: shows the window (loading it first is the caller's
    // business, see Forms) and brings it to the front.
    void Show();
    // Stays loaded, not shown. Hiding during Form_Load keeps a start-up window hidden.
    void Hide();
    bool hiddenByProgram() const { return hiddenByProgram_; }
    // Repaints the whole window now. Only a window just shown, not yet on the screen, lets the
    // window system's events through first; the user's input waits in any case.
    void Refresh();

protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Resize() {}
    virtual void Form_QueryUnload(bool& cancel, UnloadMode mode) {
        Q_UNUSED(cancel);
        Q_UNUSED(mode);
    }
    virtual void Form_Unload() {}
    virtual void Form_KeyPress(int& keyAscii) { Q_UNUSED(keyAscii); }

    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class Forms;
    QSize frameExtra() const;
    void applyMaximized();
    void runResize();
    void stopTimers();
    // Hides the window, stops its timers and destroys it once control returns to the event
    // loop (or once Refresh has finished letting events through).
    void discard();

    FormState state_ = Normal;
    bool hiddenByProgram_ = false;
    bool inResize_ = false;
    bool resizeHeld_ = false;
    bool exposeAwaited_ = false;
    bool unloading_ = false;
    // Set while Refresh lets events through: a window closed then is destroyed only once the
    // handler that called Refresh has returned, not under it.
    bool lettingEventsThrough_ = false;
    bool destroyWhenDone_ = false;
    // The last outer size set by the program, in twips and in pixels, so that it reads back
    // exactly while the window keeps that pixel size.
    float setWidth_ = -1, setHeight_ = -1, setLeft_ = 0, setTop_ = 0;
    int setWidthPx_ = -1, setHeightPx_ = -1, setLeftPx_ = 0, setTopPx_ = 0;
};

// The loaded windows: one per class, created and loaded (Form_Load) on first reference,
// destroyed by Unload; the next reference creates it afresh.
class Forms {
public:
    template <class T>
    static T& get() {
        if (Form* existing = find(typeid(T))) {
            return static_cast<T&>(*existing);
        }
        T* form = new T;
        add(typeid(T), form);
        static_cast<Form*>(form)->Form_Load();
        return *form;
    }

    template <class T>
    static T* find() {
        return static_cast<T*>(find(typeid(T)));
    }

    // Loads the start-up window and shows it, unless its Form_Load hid it or ended the
    // program. Returns the window, or nullptr when the program has ended.
    template <class T>
    static T* start() {
        T& form = get<T>();
        if (find(typeid(T)) != &form) {
            return nullptr;
        }
        setStartUp(&form);
        if (!form.hiddenByProgram()) {
            form.Show();
        }
        return &form;
    }

    // Runs Form_QueryUnload and Form_Unload, then destroys the window once control returns to
    // the event loop (so a window may unload itself from its own click handler).
    // Returns false when Form_QueryUnload cancelled.
    static bool Unload(Form& form, Form::UnloadMode mode = Form::FormCode);
    // Destroys every window without running any handler.
    static void discardAll();
    static int count();

private:
    friend class Form;
    static Form* find(std::type_index type);
    static void add(std::type_index type, Form* form);
    // The start-up window, which the tool windows and dialogs stay above; none once it is gone.
    static void setStartUp(Form* form);
    static Form* startUp();
    static void remove(Form* form);
};

// Ends the program at once with exit status 0, every window closed and no handler of ours run
// after it, also before the event loop runs. The caller returns straight after the call.
void End();
// For tests: End then discards the windows and calls `hook` instead of leaving the process.
void setEndHook(std::function<void()> hook);

}  // namespace platform
