// What is sent for an event: the body of one POST, by the webhook's format.
//
// json: one object per event,
//   {"event":"rank","id":"1:42:rank:3","srvid":"1","time":"2026-12-09T18:30:00Z",
//    "pilot":{"id":42,"callsign":"Ace","army":1,"url":"https://.../?pilot=42&srvid=1"},
//    "rank":{"value":3,"name":"..."},"previous_rank":{"value":2,"name":"..."}}
// or, for an award, "award":{"bit":4,"value":16,"name":"..."} in place of the
// ranks. "url" is null without a public address.
//
// discord: a message a Discord webhook takes: a one-line `content` and one
// embed (the callsign as title, linked to the pilot's page when there is a
// public address, the rank or award as description, the side's colour),
// each text cut to the service's limits; mentions are switched off, so a
// callsign such as "@everyone" pings nobody.
#pragma once

#include <string>
#include <string_view>

#include "notify/notify_event.h"

namespace sky {

// Discord's limits, in characters.
inline constexpr std::size_t kDiscordContentMax = 2000;
inline constexpr std::size_t kDiscordTitleMax = 256;
inline constexpr std::size_t kDiscordDescriptionMax = 4096;
inline constexpr std::size_t kDiscordTotalMax = 6000;

// The pilot's page below `public_url`; empty when `public_url` is.
std::string PilotPageUrl(std::string_view public_url, const std::string& srvid, int32_t pilot_id);

std::string JsonEventBody(const TNotifyEvent& event, std::string_view public_url);
// `lang` "en" gives English texts, anything else Russian.
std::string DiscordEventBody(const TNotifyEvent& event, std::string_view public_url, std::string_view lang);
// The body of the webhook's format ("discord", else json).
std::string EventBody(const TNotifyEvent& event, const TWebhookEntry& webhook, std::string_view public_url);

}  // namespace sky
