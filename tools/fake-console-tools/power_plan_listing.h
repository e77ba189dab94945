#pragma once
// `powercfg /Q` listings as Japanese and English Windows 10 print them for one
// plan (the balanced one unless told), with the four time-outs the power line
// judges chosen by the caller: the tests of the readers and the simulated
// powercfg. Lines end in CR LF as the tool writes them.

#include <cstdint>
#include <cstdio>
#include <string>

namespace power_listing {

struct TimeOuts {
  std::uint32_t sleep_ac = 0x708, sleep_dc = 0x384;          // STANDBYIDLE (seconds)
  std::uint32_t hibernate_ac = 0x2a30, hibernate_dc = 0x2a30;  // HIBERNATEIDLE
  std::uint32_t disk_ac = 0x4b0, disk_dc = 0x258;             // DISKIDLE
  std::uint32_t video_ac = 0x258, video_dc = 0x12c;           // VIDEOIDLE
  bool hibernation_available = true;  // with hibernation off the setting is not listed
};

struct Wording {
  const wchar_t* scheme;       // "電源設定の GUID: "
  const wchar_t* subgroup;     // "サブグループの GUID: "
  const wchar_t* setting;      // "電源設定の GUID: "
  const wchar_t* alias;        // "GUID エイリアス: "
  const wchar_t* minimum;
  const wchar_t* maximum;
  const wchar_t* increment;
  const wchar_t* unit;
  const wchar_t* seconds;
  const wchar_t* choice_index;
  const wchar_t* choice_name;
  const wchar_t* ac;           // "現在の AC 電源設定のインデックス: "
  const wchar_t* dc;
};

inline const Wording& Japanese() {
  static const Wording w = {
      L"\u96FB\u6E90\u8A2D\u5B9A\u306E GUID: ",
      L"\u30B5\u30D6\u30B0\u30EB\u30FC\u30D7\u306E GUID: ",
      L"\u96FB\u6E90\u8A2D\u5B9A\u306E GUID: ",
      L"GUID \u30A8\u30A4\u30EA\u30A2\u30B9: ",
      L"\u5229\u7528\u53EF\u80FD\u306A\u8A2D\u5B9A\u306E\u6700\u5C0F\u5024: ",
      L"\u5229\u7528\u53EF\u80FD\u306A\u8A2D\u5B9A\u306E\u6700\u5927\u5024: ",
      L"\u5229\u7528\u53EF\u80FD\u306A\u8A2D\u5B9A\u306E\u5897\u5206: ",
      L"\u5229\u7528\u53EF\u80FD\u306A\u8A2D\u5B9A\u306E\u5358\u4F4D: ",
      L"\u79D2",
      L"\u5229\u7528\u53EF\u80FD\u306A\u8A2D\u5B9A\u306E\u30A4\u30F3\u30C7\u30C3\u30AF\u30B9: ",
      L"\u5229\u7528\u53EF\u80FD\u306A\u8A2D\u5B9A\u306E\u30D5\u30EC\u30F3\u30C9\u30EA\u540D: ",
      L"\u73FE\u5728\u306E AC \u96FB\u6E90\u8A2D\u5B9A\u306E\u30A4\u30F3\u30C7\u30C3\u30AF\u30B9: ",
      L"\u73FE\u5728\u306E DC \u96FB\u6E90\u8A2D\u5B9A\u306E\u30A4\u30F3\u30C7\u30C3\u30AF\u30B9: ",
  };
  return w;
}

inline const Wording& English() {
  static const Wording w = {
      L"Power Scheme GUID: ",       L"Subgroup GUID: ",
      L"Power Setting GUID: ",      L"GUID Alias: ",
      L"Minimum Possible Setting: ", L"Maximum Possible Setting: ",
      L"Possible Settings increment: ", L"Possible Settings units: ",
      L"Seconds",                   L"Possible Setting Index: ",
      L"Possible Setting Friendly Name: ", L"Current AC Power Setting Index: ",
      L"Current DC Power Setting Index: ",
  };
  return w;
}

inline std::wstring Hex(std::uint32_t value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08x", static_cast<unsigned>(value));
  return text;
}

class Builder {
 public:
  explicit Builder(const Wording& w) : w_(w) {}

  void Scheme(const wchar_t* guid, const wchar_t* name, const wchar_t* alias) {
    text_ += std::wstring(w_.scheme) + guid + L"  (" + name + L")\r\n";
    text_ += std::wstring(L"  ") + w_.alias + alias + L"\r\n";
  }
  void Subgroup(const wchar_t* guid, const wchar_t* name, const wchar_t* alias) {
    text_ += std::wstring(L"  ") + w_.subgroup + guid + L"  (" + name + L")\r\n";
    if (alias) text_ += std::wstring(L"    ") + w_.alias + alias + L"\r\n";
  }
  void Seconds(const wchar_t* guid, const wchar_t* name, const wchar_t* alias, std::uint32_t ac,
               std::uint32_t dc) {
    Head(guid, name, alias);
    text_ += std::wstring(L"      ") + w_.minimum + L"0x00000000\r\n";
    text_ += std::wstring(L"      ") + w_.maximum + L"0xffffffff\r\n";
    text_ += std::wstring(L"      ") + w_.increment + L"0x00000001\r\n";
    text_ += std::wstring(L"      ") + w_.unit + w_.seconds + L"\r\n";
    Tail(ac, dc);
  }
  void Choice(const wchar_t* guid, const wchar_t* name, const wchar_t* alias, const wchar_t* off,
              const wchar_t* on, std::uint32_t ac, std::uint32_t dc) {
    Head(guid, name, alias);
    text_ += std::wstring(L"      ") + w_.choice_index + L"000\r\n";
    text_ += std::wstring(L"      ") + w_.choice_name + off + L"\r\n";
    text_ += std::wstring(L"      ") + w_.choice_index + L"001\r\n";
    text_ += std::wstring(L"      ") + w_.choice_name + on + L"\r\n";
    Tail(ac, dc);
  }
  void EndSubgroup() { text_ += L"\r\n"; }
  const std::wstring& text() const { return text_; }

 private:
  void Head(const wchar_t* guid, const wchar_t* name, const wchar_t* alias) {
    text_ += std::wstring(L"    ") + w_.setting + guid + L"  (" + name + L")\r\n";
    if (alias) text_ += std::wstring(L"      ") + w_.alias + alias + L"\r\n";
  }
  void Tail(std::uint32_t ac, std::uint32_t dc) {
    text_ += std::wstring(L"    ") + w_.ac + Hex(ac) + L"\r\n";
    text_ += std::wstring(L"    ") + w_.dc + Hex(dc) + L"\r\n";
    text_ += L"\r\n";
  }
  const Wording& w_;
  std::wstring text_;
};

// A power plan as the listing names it.
struct Plan {
  const wchar_t* guid;
  const wchar_t* name;
  const wchar_t* alias;
};

// The three plans of Windows 10: balanced, high performance (SCHEME_MIN, the
// least power saving) and power saver (SCHEME_MAX).
inline const Plan& BalancedPlan() {
  static const Plan p = {L"381b4222-f694-41f0-9685-ff5bb260df2e", L"\u30D0\u30E9\u30F3\u30B9",
                         L"SCHEME_BALANCED"};
  return p;
}
inline const Plan& HighPerformancePlan() {
  static const Plan p = {L"8c5e7fda-e8bf-4a96-9a85-a6e23a8c635c",
                         L"\u9AD8\u30D1\u30D5\u30A9\u30FC\u30DE\u30F3\u30B9", L"SCHEME_MIN"};
  return p;
}
inline const Plan& PowerSaverPlan() {
  static const Plan p = {L"a1841308-3541-4fab-bc81-f71556f20b4a", L"\u7701\u96FB\u529B",
                         L"SCHEME_MAX"};
  return p;
}

// One plan of a Japanese (or English) Windows 10, subgroups in the order the
// tool lists them. Names of plans and settings are in Japanese in both; only
// the line wording changes with `w`.
inline std::wstring Listing(const TimeOuts& t, const Wording& w = Japanese(),
                            const Plan& plan = BalancedPlan()) {
  Builder b(w);
  b.Scheme(plan.guid, plan.name, plan.alias);
  b.Subgroup(L"fea3413e-7e05-4911-9a71-700331f1c294", L"\u8A2D\u5B9A\u306A\u3057", L"SUB_NONE");
  b.Choice(L"0e796bdb-100d-47d6-a2d5-f7d2daa51f51",
           L"\u30B9\u30EA\u30FC\u30D7\u89E3\u9664\u6642\u306E\u30D1\u30B9\u30EF\u30FC\u30C9\u3092"
           L"\u8981\u6C42\u3059\u308B",
           L"CONSOLELOCK", L"\u3044\u3044\u3048", L"\u306F\u3044", 1, 1);
  b.Subgroup(L"0012ee47-9041-4b5d-9b77-535fba8b1442", L"\u30CF\u30FC\u30C9 \u30C7\u30A3\u30B9\u30AF",
             L"SUB_DISK");
  b.Seconds(L"6738e2c4-e8a5-4a42-b16a-e040e769756e",
            L"\u6B21\u306E\u6642\u9593\u304C\u7D4C\u904E\u5F8C\u30CF\u30FC\u30C9 \u30C7\u30A3\u30B9"
            L"\u30AF\u306E\u96FB\u6E90\u3092\u5207\u308B",
            L"DISKIDLE", t.disk_ac, t.disk_dc);
  b.Subgroup(L"0d7dbae2-4294-402a-ba8e-26777e8488cd",
             L"\u30C7\u30B9\u30AF\u30C8\u30C3\u30D7\u306E\u80CC\u666F\u306E\u8A2D\u5B9A", nullptr);
  b.Choice(L"309dce9b-bef4-4119-9921-a851fb12f0f4", L"\u30B9\u30E9\u30A4\u30C9 \u30B7\u30E7\u30FC",
           nullptr, L"\u4F7F\u7528\u53EF\u80FD", L"\u4E00\u6642\u505C\u6B62", 0, 1);
  b.Subgroup(L"238c9fa8-0aad-41ed-83f4-97be242c8f20", L"\u30B9\u30EA\u30FC\u30D7", L"SUB_SLEEP");
  b.Seconds(L"29f6c1db-86da-48c5-9fdb-f2b67b1f44da",
            L"\u6B21\u306E\u6642\u9593\u304C\u7D4C\u904E\u5F8C\u30B9\u30EA\u30FC\u30D7\u3059\u308B",
            L"STANDBYIDLE", t.sleep_ac, t.sleep_dc);
  b.Choice(L"94ac6d29-73ce-41a6-809f-6363ba21b47e",
           L"\u30CF\u30A4\u30D6\u30EA\u30C3\u30C9 \u30B9\u30EA\u30FC\u30D7\u3092\u8A31\u53EF\u3059"
           L"\u308B",
           L"HYBRIDSLEEP", L"\u30AA\u30D5", L"\u30AA\u30F3", 0, 0);
  if (t.hibernation_available) {
    b.Seconds(L"9d7815a6-7ee4-497e-8888-515a05f02364",
              L"\u6B21\u306E\u6642\u9593\u304C\u7D4C\u904E\u5F8C\u4F11\u6B62\u72B6\u614B\u306B\u3059"
              L"\u308B",
              L"HIBERNATEIDLE", t.hibernate_ac, t.hibernate_dc);
  }
  b.Choice(L"bd3b718a-0680-4d9d-8ab2-e1d2b4ac806d",
           L"\u30B9\u30EA\u30FC\u30D7\u89E3\u9664\u30BF\u30A4\u30DE\u30FC\u306E\u8A31\u53EF",
           L"RTCWAKE", L"\u7121\u52B9", L"\u6709\u52B9", 1, 1);
  b.Subgroup(L"4f971e89-eebd-4455-a8de-9e59040e7347",
             L"\u96FB\u6E90\u30DC\u30BF\u30F3\u3068\u30AB\u30D0\u30FC", L"SUB_BUTTONS");
  b.Choice(L"7648efa3-dd9c-4e3e-b566-50f929386280",
           L"\u96FB\u6E90\u30DC\u30BF\u30F3\u306E\u64CD\u4F5C", L"PBUTTONACTION",
           L"\u4F55\u3082\u3057\u306A\u3044", L"\u30B9\u30EA\u30FC\u30D7\u72B6\u614B", 1, 1);
  b.Subgroup(L"501a4d13-42af-4429-9fd1-a8218c268e20", L"PCI Express", L"SUB_PCIEXPRESS");
  b.Choice(L"ee12f906-d277-404b-b6da-e5fa1a576df5",
           L"\u30EA\u30F3\u30AF\u72B6\u614B\u306E\u96FB\u6E90\u7BA1\u7406", L"ASPM", L"\u30AA\u30D5",
           L"\u4E2D\u7A0B\u5EA6\u306E\u7701\u96FB\u529B", 1, 2);
  b.Subgroup(L"7516b95f-f776-4464-8c53-06167f40cc99", L"\u30C7\u30A3\u30B9\u30D7\u30EC\u30A4",
             L"SUB_VIDEO");
  b.Seconds(L"3c0bc021-c8a8-4e07-a973-6b14cbcb2b7e",
            L"\u6B21\u306E\u6642\u9593\u304C\u7D4C\u904E\u5F8C\u30C7\u30A3\u30B9\u30D7\u30EC\u30A4"
            L"\u306E\u96FB\u6E90\u3092\u5207\u308B",
            L"VIDEOIDLE", t.video_ac, t.video_dc);
  b.Choice(L"90959d22-d6a1-49b9-af93-bce885ad335b",
           L"\u30A2\u30C0\u30D7\u30C6\u30A3\u30D6\u8868\u793A", L"VIDEOADAPT", L"\u30AA\u30D5",
           L"\u30AA\u30F3", 1, 1);
  return b.text();
}

}  // namespace power_listing
