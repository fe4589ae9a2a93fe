#pragma once
// The operations the saver needs from the operating system, under the names it knows them by. They sit
// above whichever backend is current (backend.h) and above the one message queue (message_queue.h).

#include <cstdint>

#include "platform/dib.h"
#include "platform/win_types.h"

namespace veltane::platform {

// Messages. Retrieval order: posted messages (FIFO), then input (FIFO), then the quit message, then a
// paint request for a window whose update region is invalid. Only posted and input messages are removed
// when retrieved; a window stays invalid until ValidateWindow.
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Moves pending native events into the queue without blocking, then says whether any message waits.
// With remove, the message is taken as GetMessage would take it.
bool PeekMessage(Msg* msg, bool remove);
// Moves pending native events into the queue, then blocks until a posted message, input (a destruction from
// outside included) or the quit message waits, or until the tick count has reached deadline, whichever comes
// first; says whether such a message waits. A deadline already past makes it a look without waiting. A
// paint request does not end the wait: a window that never validates itself always has one. Nothing is
// taken off the queue or dispatched.
bool WaitMessageUntil(std::uint32_t deadline);
// Takes the next message, blocking while there is none. False for the quit message (its code in wParam).
bool GetMessage(Msg* msg);
void TranslateMessage(const Msg& msg);
// Hands the message to its window's object; a message for a window that is gone is dropped.
LRESULT DispatchMessage(const Msg& msg);
// Calls the window's handler chain at once, as the window system does for sent messages.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

void InvalidateWindow(HWND hwnd);
void ValidateWindow(HWND hwnd);

bool IsWindow(HWND hwnd);
bool GetClientRect(HWND hwnd, Rect* rect);
// The screen's root window; 0 where there is none.
HWND GetDesktopWindow();
int GetSystemMetrics(int index);

HCURSOR LoadCursor(int resourceId);  // Cursor 129 is the invisible class cursor.
HCURSOR SetCursor(HCURSOR cursor);

// Drawing on a client-area context.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
void FillRect(HDC dc, const Rect& rect, std::uint32_t rgb);
// A 1:1, opaque copy of a bottom-up bitmap (24-bit, or 8-bit run-length coded with its colour table) with
// its top-left corner at (x, y); clipped to the client area.
void StretchDIBits(HDC dc, std::int32_t x, std::int32_t y, const DibView& dib);

std::uint32_t GetTickCount();
std::int64_t CalendarTime();

}  // namespace veltane::platform
