#include "ui/UtqPAbout.h"

TAboutLayout AboutLayout(std::int32_t w, std::int32_t h) {
  TAboutLayout a;
  a.Icon = {w / 32, h / 24};
  a.Title = {w / 4, h / 24};
  a.TitleShadow = {w / 4 + 2, h / 24 + 2};
  a.Version = {5 * w / 8, h / 5};
  a.Notice = MakeRect(w / 4, 3 * h / 8, w / 2, h / 2);
  a.Link = {w / 4, 5 * h / 8, 3 * w / 4, 16};
  a.SeparatorFrom = {w / 32, 3 * h / 4};
  a.SeparatorTo = {w - w / 32, 3 * h / 4};
  a.CloseButton = {3 * w / 4 - 8, 13 * h / 16, w / 4, h / 7};
  return a;
}
