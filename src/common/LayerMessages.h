#pragma once
// The texts a layer's end is reported with, by the window's message boxes and
// by tessaro-cli alike: the title of the boxes, the completion message and
// the failure message (the reason follows it as the detail).
namespace tessaro {

struct LayerMessages {
  const char* title;
  const char* done;
  const char* failed;
};

}  // namespace tessaro
