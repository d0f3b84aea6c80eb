#include <gtest/gtest.h>

#include <vector>

#include "automation/dispatch_map.h"

namespace {

using namespace automation;

constexpr Guid kIid = make_guid("{0B5E7C3A-1D2F-4E60-8A9B-C0D1E2F30415}");

// An object with one method of each shape a control has.
class Calculator : public ComObject<IDispatch> {
 public:
  static const DispatchMap& map() {
    static const DispatchMap map(
        "_DCalculator", kIid, "calculator",
        {
            disp_function<&Calculator::Beep>("Beep", DISPID_ABOUTBOX, ""),
            disp_function<&Calculator::Version>("GetVersion", 1, "version"),
            disp_function<&Calculator::Length>("Length", 2, "length of a text", "text"),
            disp_function<&Calculator::Add>("Add", 3, "", "a", "b"),
            disp_function<&Calculator::Exhausted>("Exhausted", 4, ""),
        });
    return map;
  }

  HRESULT GetTypeLib(const TypeLibrary**) override { return E_FAIL; }
  HRESULT GetIDsOfNames(std::string_view name, DISPID* id) override { return map().find(name, id); }
  HRESULT Invoke(DISPID id, std::span<const Variant> args, Variant* result) override {
    return map().invoke(*this, id, args, result);
  }

  int beeps = 0;
  std::vector<BSTR> seen;

 private:
  void Beep() { ++beeps; }
  BSTR Version() const { return SysAllocString(u"1.0.0.4"); }
  std::uint8_t Length(BSTR text) {
    seen.push_back(text);
    return static_cast<std::uint8_t>(SysStringLen(text));
  }
  std::uint32_t Add(std::uint32_t a, std::uint32_t b) { return a + b; }
  BSTR Exhausted() { throw std::bad_alloc(); }
};

class Dispatch : public ::testing::Test {
 protected:
  ComPtr<Calculator> object{new Calculator};
};

TEST_F(Dispatch, NamesAreFoundWithoutRegardToCase) {
  const struct {
    const char* name;
    DISPID id;
  } cases[] = {{"GetVersion", 1},
               {"getversion", 1},
               {"GETVERSION", 1},
               {"length", 2},
               {"Beep", DISPID_ABOUTBOX}};
  for (const auto& c : cases) {
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(c.name, &id), S_OK) << c.name;
    EXPECT_EQ(id, c.id) << c.name;
  }
  DISPID id = 0;
  EXPECT_EQ(object->GetIDsOfNames("GetVersio", &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(object->GetIDsOfNames("", &id), DISP_E_UNKNOWNNAME);
}

TEST_F(Dispatch, InvokeReturnsEachResultType) {
  Variant result;
  ASSERT_EQ(object->Invoke(1, {}, &result), S_OK);
  EXPECT_EQ(bstr_view(result.bstr()), u"1.0.0.4");

  std::vector<Variant> args;
  args.emplace_back(std::uint32_t{40});
  args.emplace_back(std::uint32_t{2});
  ASSERT_EQ(object->Invoke(3, args, &result), S_OK);
  EXPECT_EQ(result.type(), VarType::UI4);
  EXPECT_EQ(result.ui4(), 42u);

  ASSERT_EQ(object->Invoke(DISPID_ABOUTBOX, {}, &result), S_OK);
  EXPECT_EQ(result.type(), VarType::Empty);
  EXPECT_EQ(object->beeps, 1);

  ASSERT_EQ(object->Invoke(1, {}, nullptr), S_OK);  // result not wanted: freed, not leaked
}

TEST_F(Dispatch, StringArgumentsArriveAsGivenIncludingNull) {
  std::vector<Variant> args;
  args.push_back(Variant::adopt(SysAllocString(u"COM1")));
  Variant result;
  ASSERT_EQ(object->Invoke(2, args, &result), S_OK);
  EXPECT_EQ(result.ui1(), 4);
  EXPECT_EQ(object->seen.back(), args[0].bstr());

  args[0] = Variant::adopt(nullptr);
  ASSERT_EQ(object->Invoke(2, args, &result), S_OK);
  EXPECT_EQ(result.ui1(), 0);
  EXPECT_EQ(object->seen.back(), nullptr);
}

TEST_F(Dispatch, BadCallsAreRefusedBeforeTheMethodRuns) {
  std::vector<Variant> one;
  one.emplace_back(std::uint8_t{1});
  std::vector<Variant> text;
  text.push_back(Variant::adopt(nullptr));
  std::vector<Variant> empty_arg(1);
  const struct {
    DISPID id;
    std::span<const Variant> args;
    HRESULT expected;
  } cases[] = {
      {99, {}, DISP_E_MEMBERNOTFOUND},
      {2, {}, DISP_E_BADPARAMCOUNT},
      {DISPID_ABOUTBOX, one, DISP_E_BADPARAMCOUNT},
      {2, one, DISP_E_TYPEMISMATCH},
      {2, empty_arg, DISP_E_TYPEMISMATCH},
      {3, std::span<const Variant>(text.data(), 1), DISP_E_BADPARAMCOUNT},
  };
  for (const auto& c : cases) {
    Variant result(std::uint8_t{9});
    EXPECT_EQ(object->Invoke(c.id, c.args, &result), c.expected) << c.id;
    EXPECT_EQ(result.ui1(), 9) << "result untouched";
  }
  EXPECT_TRUE(object->seen.empty());
  EXPECT_EQ(object->beeps, 0);
}

TEST_F(Dispatch, AResultThatCannotBeAllocatedIsOutOfMemory) {
  Variant result;
  EXPECT_EQ(object->Invoke(4, {}, &result), E_OUTOFMEMORY);
  EXPECT_EQ(result.type(), VarType::Empty);
}

TEST_F(Dispatch, QueryInterfaceAnswersOnlyItsInterfaces) {
  ComPtr<IUnknown> unknown;
  ASSERT_EQ(object->QueryInterface(IUnknown::iid, unknown.put_void()), S_OK);
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(unknown->QueryInterface(IDispatch::iid, dispatch.put_void()), S_OK);
  EXPECT_EQ(static_cast<IDispatch*>(object.get()), dispatch.get());
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(object->QueryInterface(kIid, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(object->QueryInterface(IUnknown::iid, nullptr), E_INVALIDARG);
  EXPECT_EQ(object->AddRef(), 4u);  // object, unknown, dispatch, this one
  EXPECT_EQ(object->Release(), 3u);
}

TEST(TypeLibrary, DescriptionShowsEveryMethodWithItsDispidAndTypes) {
  const TypeLibrary library{make_guid("{9A8B7C6D-5E4F-4031-8A2B-1C0D9E8F7A6B}"),
                            1,
                            0,
                            1033,
                            "CalcLib",
                            "Calculator 模块",
                            "Calc.hlp",
                            {Calculator::map().interface_info()},
                            {{"Calculator", make_guid("{11111111-2222-3333-4444-555555555555}"),
                              "Calculator", true, true, "_DCalculator", ""}}};
  const std::string text = describe(library);
  for (const char* line : {
           "library CalcLib {9A8B7C6D-5E4F-4031-8A2B-1C0D9E8F7A6B} version 1.0 locale 1033\n",
           "  helpstring \"Calculator 模块\"  helpfile \"Calc.hlp\"\n",
           "  dispinterface _DCalculator {0B5E7C3A-1D2F-4E60-8A9B-C0D1E2F30415}  \"calculator\"\n",
           "    [id(-552)] void Beep()\n",
           "    [id(1)] BSTR GetVersion()  \"version\"\n",
           "    [id(2)] unsigned char Length(BSTR text)  \"length of a text\"\n",
           "    [id(3)] unsigned long Add(unsigned long a, unsigned long b)\n",
           "  coclass Calculator {11111111-2222-3333-4444-555555555555} [creatable, control]",
           "    [default] dispinterface _DCalculator\n",
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin:\n" << text;
  }
}

TEST(Guid, ParsesTheBracedFormOnly) {
  constexpr Guid parsed = make_guid("{7dd95801-9882-11cf-9fa9-00aa006c42c4}");
  EXPECT_EQ(to_string(parsed), "{7DD95801-9882-11CF-9FA9-00AA006C42C4}");
  EXPECT_EQ(parse_guid(to_string(parsed)), parsed);
  EXPECT_EQ(parsed.data1, 0x7DD95801u);
  EXPECT_EQ(parsed.data4[7], 0xC4);
  for (const char* bad :
       {"7DD95801-9882-11CF-9FA9-00AA006C42C4", "{7DD95801-9882-11CF-9FA9-00AA006C42C}",
        "{7DD95801-9882-11CF-9FA9-00AA006C42C4", "{7DD95801x9882-11CF-9FA9-00AA006C42C4}",
        "{7DD9580G-9882-11CF-9FA9-00AA006C42C4}", "{7DD95801-9882-11CF-9FA9-00AA006C42CG}", ""}) {
    EXPECT_EQ(parse_guid(bad), std::nullopt) << bad;
  }
}

TEST(Result, NamesTheKnownCodes) {
  EXPECT_EQ(describe_result(SELFREG_E_TYPELIB), "SELFREG_E_TYPELIB (0x80040200)");
  EXPECT_EQ(describe_result(SELFREG_E_CLASS), "SELFREG_E_CLASS (0x80040201)");
  EXPECT_EQ(describe_result(code(0x80001234)), "0x80001234");
  EXPECT_TRUE(failed(E_OUTOFMEMORY));
  EXPECT_TRUE(succeeded(S_FALSE));
}

}  // namespace
