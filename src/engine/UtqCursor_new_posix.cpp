// Without a window system the cursor is its parsed record.
#include "UtqCursor_new.h"

struct TtqCursor::TSystemCursor {};

TtqCursor::TtqCursor() = default;
TtqCursor::~TtqCursor() = default;

int TtqCursor::LoadFromStream(TtqStream& stream) {
  Clear();
  const int result = ReadCursorRecord(stream, FRecord);
  if (result != CursorLoaded) FRecord = TCursorRecord();
  else FSystem = std::make_unique<TSystemCursor>();
  return result;
}

void TtqCursor::Clear() {
  FSystem.reset();
  FRecord = TCursorRecord();
}

bool TtqCursor::Empty() const { return FSystem == nullptr; }
