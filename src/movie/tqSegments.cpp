#include "tqSegments.h"

std::string TempFolder = SysTempFolder();
TSegmentList* SegmentList = nullptr;

TSegmentInfo* TSegmentList::Add(std::unique_ptr<TSegmentInfo> segment) {
  if (!segment) {
    segment = std::make_unique<TSegmentInfo>();
    segment->FrameDataFileName = Format("%sPVideo%d.~tqflm", TempFolder.c_str(), FCount);
    segment->FrameData =
        std::make_unique<TtqFileStream>(segment->FrameDataFileName, TtqFileStream::ModeCreate);
  }
  if (FCount == Capacity()) Items.resize(Items.size() + 16);
  Items[static_cast<std::size_t>(FCount)] = std::move(segment);
  return Items[static_cast<std::size_t>(FCount++)].get();
}

TSegmentInfo* TSegmentList::Get(std::int32_t index) const {
  return index >= 0 && index < FCount ? Items[static_cast<std::size_t>(index)].get() : nullptr;
}

void TSegmentList::Delete(std::int32_t index) {
  if (index < 0 || index >= FCount) return;
  std::unique_ptr<TSegmentInfo> segment = std::move(Items[static_cast<std::size_t>(index)]);
  Items.erase(Items.begin() + index);
  Items.emplace_back();
  --FCount;
  const std::string frameFile = segment->FrameDataFileName;
  segment->FrameData.reset(); // the file is closed before it goes
  segment.reset();
  if (!frameFile.empty() && SysFileExists(frameFile)) SysDeleteFile(frameFile);
}

void TSegmentList::Clear() {
  while (FCount > 0)
    Delete(0);
  Items.clear();
}
