#include "app/startup.h"

int main() {
  StartQuillmere("quillmere");
}
