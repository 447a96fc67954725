// The demo's web booking service. Harbour Grill counts its web allotment in
// tables, Sky Lounge in covers (as their outlet rows say); the periods start
// when the outlets' meal periods do, so the grid finds what web bookings use.
#include "app/demodata.h"

std::string DemoWebServiceUrl(const InstallContext& ctx) {
    return "http://127.0.0.1:" + std::to_string(ctx.webPort) + "/WebServiceServer";
}

std::string DemoWebServiceConfig(const InstallContext& ctx) {
    const auto n = [&ctx](int v) { return std::to_string(v * ctx.scale); };
    const auto allot = [](const char* type, int size, const std::string& num) {
        return std::string("{\"allot_type\":\"") + type +
               "\",\"table_size\":" + std::to_string(size) + ",\"allot_num\":" + num + "}";
    };
    const std::string harbour =
        "{\"Period\":["
        "{\"perd_name\":\"Lunch\",\"perd_start_time\":\"11:30\",\"perd_end_time\":\"15:00\","
        "\"perd_active\":\"A\",\"Section\":["
        "{\"sect_name\":\"Window\",\"Allotment\":[" +
        allot("T", 2, n(2)) + "," + allot("T", 4, n(3)) +
        "]},"
        "{\"sect_name\":\"Terrace\",\"Allotment\":[" +
        allot("T", 2, n(1)) + "," + allot("T", 4, n(1)) +
        "]}]},"
        "{\"perd_name\":\"Dinner\",\"perd_start_time\":\"18:00\",\"perd_end_time\":\"22:30\","
        "\"perd_active\":\"A\",\"Section\":["
        "{\"sect_name\":\"Window\",\"Allotment\":[" +
        allot("T", 2, n(2)) + "," + allot("T", 4, n(3)) +
        "]},"
        "{\"sect_name\":\"Centre\",\"Allotment\":[" +
        allot("T", 6, n(1)) + "]}]}]}";
    const std::string sky =
        "{\"Period\":["
        "{\"perd_name\":\"Dinner\",\"perd_start_time\":\"18:00\",\"perd_end_time\":\"23:00\","
        "\"perd_active\":\"A\",\"Section\":["
        "{\"sect_name\":\"Lounge\",\"Allotment\":[" +
        allot("C", 2, n(8)) + "," + allot("C", 4, n(12)) +
        "]},"
        "{\"sect_name\":\"Deck\",\"Allotment\":[" +
        allot("C", 4, n(12)) + "," + allot("C", 6, n(6)) +
        "]}]},"
        "{\"perd_name\":\"Supper\",\"perd_start_time\":\"23:00\",\"perd_end_time\":\"03:00\","
        "\"perd_active\":\"I\",\"Section\":["
        "{\"sect_name\":\"Lounge\",\"Allotment\":[" +
        allot("C", 2, n(6)) + "]}]}]}";
    return std::string("{\"merchantID\":") + kDemoWebMerchant + ",\"login\":\"" + kDemoWebLogin +
           "\",\"password\":\"" + kDemoWebPassword + "\",\"port\":" + std::to_string(ctx.webPort) +
           ",\"shops\":{\"HBR\":" + harbour + ",\"SKY\":" + sky + "}}\n";
}
