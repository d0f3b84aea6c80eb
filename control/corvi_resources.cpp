#include "corvi_resources.h"

#include <cstdio>

namespace corvi {
namespace {

using framework::DialogItem;
using framework::DialogTemplate;
using Kind = DialogItem::Kind;

constexpr const char* kDialogFont = "宋体, MS Sans Serif";

}  // namespace

const VersionResource kVersion{{1, 0, 0, 4},
                               {1, 0, 0, 4},
                               0x0804,
                               936,
                               "Corvi",
                               "Corvi ActiveX 控件模块",
                               "Corvi",
                               "libCorvi.so",
                               "Corvi ActiveX 控件模块",
                               "版权所有 (C) Corvi",
                               ""};

std::string file_version_text() {
  const int(&v)[4] = kVersion.file_version;
  char text[48];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", v[0], v[1], v[2], v[3]);
  return text;
}

const DialogTemplate kAboutBoxDialog{
    1,
    DialogTemplate::Style::Modal,
    "关于 Corvi Control",
    260,
    55,
    9,
    kDialogFont,
    {{Kind::Icon, 1, "", 10, 10, 20, 20},
     {Kind::Text, framework::IDC_STATIC, "Corvi Control 1.0", 40, 10, 170, 8},
     {Kind::Text, framework::IDC_STATIC, "版本 " + file_version_text(), 40, 25, 170, 8},
     {Kind::DefaultButton, framework::IDOK, "确定", 221, 7, 32, 16}}};

const DialogTemplate kPropPageDialog{
    200,
    DialogTemplate::Style::Child,
    "",
    250,
    62,
    9,
    kDialogFont,
    {{Kind::Text, framework::IDC_STATIC,
      "TODO: 将用于操作 Corvi Control 的属性的控件放置在此对话框上。", 7, 25, 229, 16}}};

}  // namespace corvi
