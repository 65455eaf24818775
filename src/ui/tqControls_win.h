// TtqControl: one child window and the object behind it. Each kind of control registers its
// own window class; the window finds its object through the "tqCD" property and hands every
// message to the object's virtual methods.
#pragma once

#include "tqControls.h"

#include <windows.h>

#include <memory>
#include <string>

class TtqControl : public TControlGeometry {
public:
  TtqControl() = default;
  TtqControl(const TtqControl&) = delete;
  TtqControl& operator=(const TtqControl&) = delete;
  // Destroys the window, if it still exists.
  virtual ~TtqControl();

  // Makes the window. It calls the concrete class's virtual methods, so it runs on an object
  // that is fully built; CreateControl does both steps.
  virtual void Create(HWND parent);

  HWND Handle() const { return FHandle; }
  void UpdateBounds();
  void SetLeft(std::int32_t v);
  void SetTop(std::int32_t v);
  void SetWidth(std::int32_t v);
  void SetHeight(std::int32_t v);
  // Not owned: the next paint uses it.
  void SetBrush(HBRUSH brush) { FBrush = brush; }
  HBRUSH Brush() const { return FBrush; }

  // The window procedure of every control class.
  static LRESULT CALLBACK ControlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
  virtual HBRUSH GetClassBrush();
  virtual HCURSOR GetClassCursor();
  virtual DWORD GetStyle();
  virtual DWORD GetExStyle();
  virtual std::string GetClassName() = 0;
  virtual std::string GetCaption();
  virtual void WMCreate(HWND window);
  virtual void AfterCreate();
  virtual LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WMSizingMoving(WPARAM wParam, RECT* rect);
  virtual void WMSize(WPARAM wParam, LPARAM lParam);
  virtual void WMMove(WPARAM wParam, LPARAM lParam);
  virtual LRESULT WMEraseBkgnd(HDC dc);

  HWND FHandle = nullptr;
  std::string FClassName;
  std::string FCaption;
  HWND FParent = nullptr;
  HBRUSH FBrush = nullptr;
  DWORD FStyle = 0;
  DWORD FExStyle = 0;
};

// Constructs a control of class T and makes its window.
template <class T> std::unique_ptr<T> CreateControl(HWND parent) {
  auto control = std::make_unique<T>();
  control->Create(parent);
  return control;
}

// The atom that names the property under which a control window keeps its object.
ATOM ControlPropertyAtom();
