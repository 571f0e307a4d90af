// The attribute set: matching inputs to attributes by key, conversion errors,
// mandatory attributes, and the exact texts it logs.
#include <string.h>

#include <string>

#include "AttributeKinds.h"
#include "Attributes.h"
#include "FrameworkRecorder.h"

// CppUTest last: its allocation macros must not reach the standard headers.
#include "CppUTest/TestHarness.h"

namespace {

// A kind whose own check fails, to see how the set reports it.
class SelfDoubtingAttribute : public IntegerAttribute
{
  public:
    SelfDoubtingAttribute(const char* name, long* v) : IntegerAttribute(name, "doubts", v, 0) {}
    virtual Boolean verify() { return 0; }
};

}  // namespace

TEST_GROUP(Attributes)
{
    Attributes* set;
    long rate;
    double gain;
    Boolean flag;

    void setup()
    {
        fw::reset();
        rate = 0;
        gain = 0;
        flag = 0;
        set = new Attributes("AQ9");
        set->add(new IntegerAttribute("ahrsRate", "Async Rate", &rate, 10));
        set->add(new FloatAttribute("Gain", "Gain", &gain, 1.5));
        set->add(new BooleanAttribute("Flag", nullptr, &flag, 0));
    }
    void teardown()
    {
        delete set;
        fw::reset();
    }
    int parseOne(const char* key, const char* value)
    {
        Attribute::Input in(key, value);
        return set->parse(&in);
    }
    Attribute* at(int i) { return set->list.array[i]; }
};

TEST(Attributes, unknown_key_fails_logs_its_name_and_changes_nothing)
{
    LONGS_EQUAL(-1, parseOne("ahrsrate", "20"));
    LONGS_EQUAL(1, (int)fw::syslogLines().size());
    STRCMP_EQUAL("Unknown attribute name: \"ahrsrate\"\n\n", fw::syslogLines()[0].c_str());
    LONGS_EQUAL(10, rate);
    CHECK_FALSE(at(0)->valueHasBeenSet());
}

TEST(Attributes, conversion_error_fails_logs_the_value_and_leaves_the_attribute_unset)
{
    LONGS_EQUAL(-1, parseOne("ahrsRate", "fast"));
    STRCMP_EQUAL("Caught conversion error for value \"fast\"\n\n", fw::syslogLines()[0].c_str());
    LONGS_EQUAL(10, rate);
    CHECK_FALSE(at(0)->valueHasBeenSet());
}

TEST(Attributes, matched_value_is_stored_and_marked_set)
{
    LONGS_EQUAL(0, parseOne("Gain", "2.25"));
    DOUBLES_EQUAL(2.25, gain, 0);
    CHECK(at(1)->valueHasBeenSet());
    CHECK_FALSE(at(0)->valueHasBeenSet());
    CHECK(fw::syslogLines().empty());
}

TEST(Attributes, list_parses_every_input_after_a_failure_and_the_last_duplicate_wins)
{
    AttributeInputList inputs(10);
    Attribute::Input* rows[] = {new Attribute::Input("ahrsRate", "20"), new Attribute::Input("nope", "1"),
                                new Attribute::Input("Flag", "maybe"), new Attribute::Input("ahrsRate", "40"),
                                new Attribute::Input("Flag", "true")};
    for (Attribute::Input* in : rows)
        inputs.add(&in);

    LONGS_EQUAL(-1, set->parse(&inputs));
    LONGS_EQUAL(40, rate);
    LONGS_EQUAL(1, flag);
    CHECK(at(0)->valueHasBeenSet());
    LONGS_EQUAL(2, (int)fw::syslogLines().size());
    for (Attribute::Input* in : rows)
        delete in;
}

TEST(Attributes, first_attribute_with_a_key_takes_the_value)
{
    long shadow = 0;
    set->add(new IntegerAttribute("ahrsRate", "second", &shadow, 3));
    LONGS_EQUAL(0, parseOne("ahrsRate", "8"));
    LONGS_EQUAL(8, rate);
    LONGS_EQUAL(3, shadow);
}

TEST(Attributes, verify_passes_when_every_attribute_has_a_default)
{
    LONGS_EQUAL(0, set->verify());
    CHECK(fw::syslogLines().empty());
}

TEST(Attributes, verify_names_every_missing_mandatory_attribute_and_the_object)
{
    long a = 0;
    double b = 0;
    set->add(new IntegerAttribute("MustA", "a", &a));
    set->add(new FloatAttribute("MustB", "b", &b));

    LONGS_EQUAL(-1, set->verify());
    LONGS_EQUAL(2, (int)fw::syslogLines().size());
    STRCMP_EQUAL("Mandatory attribute \"MustA\" not specified for object \"AQ9\"\n\n", fw::syslogLines()[0].c_str());
    STRCMP_EQUAL("Mandatory attribute \"MustB\" not specified for object \"AQ9\"\n\n", fw::syslogLines()[1].c_str());
}

TEST(Attributes, verify_passes_once_the_mandatory_attribute_is_given)
{
    long a = 0;
    set->add(new IntegerAttribute("MustA", "a", &a));
    LONGS_EQUAL(0, parseOne("MustA", "4"));
    LONGS_EQUAL(0, set->verify());
}

TEST(Attributes, failing_kind_check_is_logged_but_does_not_fail_verify)
{
    long v = 0;
    set->add(new SelfDoubtingAttribute("Doubt", &v));
    LONGS_EQUAL(0, set->verify());
    STRCMP_EQUAL("Attribute \"Doubt\" failed to verify itself\n", fw::syslogLines()[0].c_str());
}

TEST(Attributes, description_is_three_lines_with_kind_and_default)
{
    at(0)->printDescription();
    STRCMP_EQUAL("name: ahrsRate\ntype: Integer, default: 10\nDescription: Async Rate", fw::syslogLines()[0].c_str());
}

TEST(Attributes, description_of_a_mandatory_attribute_says_so)
{
    double v = 0;
    FloatAttribute a("Scale", "Scale factor", &v);
    a.printDescription();
    STRCMP_EQUAL("name: Scale\ntype: Float, default: none - input mandatory\nDescription: Scale factor",
                 fw::syslogLines()[0].c_str());
}

TEST(Attributes, descriptions_list_every_attribute_each_followed_by_a_blank_line)
{
    set->printDescriptions();
    LONGS_EQUAL(7, (int)fw::syslogLines().size());
    STRCMP_EQUAL("Valid attribute descriptions:", fw::syslogLines()[0].c_str());
    STRCMP_EQUAL("name: Flag\ntype: Boolean (\"true\" or \"false\"), default: false\nDescription: ",
                 fw::syslogLines()[5].c_str());
    for (int i = 2; i <= 6; i += 2)
        STRCMP_EQUAL(" ", fw::syslogLines()[i].c_str());
}

TEST(Attributes, overlong_messages_are_cut_to_255_characters)
{
    std::string key(400, 'k');
    LONGS_EQUAL(-1, parseOne(key.c_str(), "1"));
    const std::string& line = fw::syslogLines()[0];
    LONGS_EQUAL(256, (int)line.size());
    STRCMP_EQUAL("\n", line.substr(255).c_str());
    STRCMP_EQUAL("Unknown attribute name: \"kkk", line.substr(0, 28).c_str());
}

TEST(Attributes, inputs_keep_their_own_copies)
{
    char key[] = "Gain";
    char value[] = "3.5";
    Attribute::Input in(key, value);
    key[0] = 'X';
    value[0] = '9';
    LONGS_EQUAL(0, set->parse(&in));
    DOUBLES_EQUAL(3.5, gain, 0);
}
