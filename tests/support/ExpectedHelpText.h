#pragma once
// The command line's help box as a user must read it, line by line in UTF-8, written here
// independently of the program's own text so that the tests compare two spellings of it.

#include <string>
#include <vector>

inline std::vector<std::string> ExpectedHelpLines() {
  return {
      "\"FileName.exe\" [-size {FULLSCREEN|MAX|MIN|{w h}} [-pos {C|{{L|R|x} {T|B|y}}}]] "
      "[-segm N] [-closeonfinfish]",
      "",
      "fullscreen - полноэкранный режим без нижней панели управления",
      "max - максимальный размер (занимает весь экран, но при этом остается заголовок окна и "
      "нижняя панель)",
      "min - минимальный размер (600 x 400)",
      "w h - Width, Height - ширина, высота проигрывателя",
      "",
      "c - Center - в центре экрана",
      "",
      "L - Left - по левому краю экрана",
      "R - Right - по правому экрана",
      "x - отступить от левого края экрана \u0445 пикселей",
      "",
      "T - Top - по верхнему краю экрана",
      "B - Bottom - по нижнему краю экрана",
      "y - отступить от верхнего края экрана y пикселей",
      "",
      "N - Segment Number - начинать воспроизведение с сегмента N",
      "",
      "CloseOnFinish - закрыть проигрыватель по окончании воспроизведения",
  };
}
