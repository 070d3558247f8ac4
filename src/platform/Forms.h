// Window lifetime as the program was designed: a window is created and its Load run on
// the first request to open it, a later request shows the existing one (never a second
// copy), and closing or unloading runs its Unload and destroys it.
#pragma once

#include <QMdiArea>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>

class QMdiSubWindow;

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    // The window's own Load and Unload handlers.
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

    // Client area in twips; fixed windows cannot be resized by the user.
    void SetClientSizeTwips(double width, double height, bool fixed = true);
    // Outer size in twips (sizable windows designed by their outer size).
    void SetOuterSizeTwips(double width, double height);
    // Position of the window's outer frame in twips, from the main window's client area.
    void SetPositionTwips(double left, double top);
    double LeftTwips() const;
    double TopTwips() const;
    double OuterWidthTwips() const;
    double OuterHeightTwips() const;
    void SetCaption(const QString& caption);
    QString Caption() const;

    // Makes the window visible and active; a minimised window comes back as it was before,
    // maximised or at its size.
    void Show();
    // Runs the Unload handler and destroys the window. Safe from the window's own handlers.
    void Unload();
    bool IsUnloading() const { return mUnloading; }

    // The frame that holds the window inside the main window (null when top-level).
    QWidget* Frame() const;

    // Internal: set by the load helper.
    std::function<void()> mClearSlot;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QMdiSubWindow> mSub;
    QSize mOuterSize; // outer size set before the window joined the client area
    bool mUnloading = false;
    bool mOwnPlace = false; // placed by its own code (SetPositionTwips)
    bool mPlaced = false;   // placed inside the visible client area at its first showing
    bool mMaximisedBeforeMinimised = false;
    friend void AttachForm(Form* form);
};

// The main window's client area. Ctrl+F6 and Ctrl+Shift+F6 bring the next and the previous
// child window to the front. Ctrl+Tab and Ctrl+Shift+Tab change windows too, except with
// the focus on a tabbed page, whose tabs they turn as in any tabbed window.
class ClientArea : public QMdiArea {
    Q_OBJECT
public:
    explicit ClientArea(QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The main window's client area that holds every child window.
void SetMdiArea(QMdiArea* area);

// Bounds moved, at their size, as little as it takes to stand wholly inside the area;
// bounds larger than the area keep their top left corner, and with it the title bar, in
// view.
QRect KeptInView(const QRect& bounds, const QRect& area);
QMdiArea* MdiArea();

// Registers a new form: places it in the main window's client area.
void AttachForm(Form* form);

// Every loaded form, in the order they were loaded.
std::vector<Form*> LoadedForms();
// Unloads every loaded child window, newest first; each runs its own Unload.
void UnloadAllForms();
// Destroys windows whose unload is pending (tests call this between steps).
void FlushDeletedForms();

template <class T> T*& FormSlot()
{
    static T* instance = nullptr;
    return instance;
}

// The loaded instance of a window, or null.
template <class T> T* FormInstance() { return FormSlot<T>(); }
template <class T> bool IsFormLoaded() { return FormSlot<T>() != nullptr; }

// Loads the window: creates it and runs its Load once; loading a loaded window does nothing.
// A loaded child window is visible, as the design's child windows are.
template <class T> T* LoadForm()
{
    T*& slot = FormSlot<T>();
    if (slot)
        return slot;
    T* form = new T();
    slot = form;
    form->mClearSlot = [] { FormSlot<T>() = nullptr; };
    AttachForm(form);
    form->Form_Load();
    if (FormSlot<T>() == form && !form->IsUnloading())
        form->Show();
    return FormSlot<T>();
}

// Loads the window when needed, then makes it visible and active.
template <class T> T* ShowForm()
{
    T* form = LoadForm<T>();
    if (form)
        form->Show();
    return form;
}

template <class T> void UnloadForm()
{
    if (T* form = FormSlot<T>())
        form->Unload();
}
