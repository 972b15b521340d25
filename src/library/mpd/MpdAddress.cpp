#include "library/mpd/MpdAddress.h"

namespace corvane::library {
namespace {

const QString Scheme = QStringLiteral("mpd:");

bool isSocket(const QString& host) {
    return host.startsWith(u'/') || host.startsWith(u'@');
}

std::optional<unsigned> portNumber(const QString& text) {
    if (text.isEmpty() || text.size() > 5) {
        return std::nullopt;
    }
    unsigned port = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        port = port * 10 + static_cast<unsigned>(c.unicode() - u'0');
    }
    if (port == 0 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

// "password@host" as MPD_HOST has it: a leading '@' starts an abstract socket, not a password.
QString takePassword(QString* host) {
    const qsizetype at = host->indexOf(u'@');
    if (at <= 0) {
        return {};
    }
    const QString password = host->left(at);
    host->remove(0, at + 1);
    return password;
}

// HOST[:PORT] of a source, "[::1]:6600" for an IPv6 address; a socket takes no port.
std::optional<MpdEndpoint> parseHost(QString text, QString* why) {
    if (isSocket(text)) {
        return MpdEndpoint{text, 0};
    }
    if (text.endsWith(u'/')) {
        text.chop(1);
    }
    QString host = text;
    QString port;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        const QString rest = close < 0 ? QString() : text.mid(close + 1);
        if (close < 0 || (!rest.isEmpty() && !rest.startsWith(u':'))) {
            *why = QStringLiteral("\"%1\" is no host name or address").arg(text);
            return std::nullopt;
        }
        host = text.mid(1, close - 1);
        port = rest.mid(1);
    } else if (text.count(u':') == 1) { // more colons: an IPv6 address without a port
        host = text.section(u':', 0, 0);
        port = text.section(u':', 1);
    }
    MpdEndpoint endpoint{host.isEmpty() ? QStringLiteral("localhost") : host, MpdDefaultPort};
    if (!port.isNull()) {
        const std::optional<unsigned> number = portNumber(port);
        if (!number) {
            *why = QStringLiteral("\"%1\" is no port number (1-65535)").arg(port);
            return std::nullopt;
        }
        endpoint.port = *number;
    }
    return endpoint;
}

// The default server as MPD clients find it.
std::optional<MpdAddress> defaultAddress(const MpdEnvironment& environment, QString* why) {
    unsigned port = MpdDefaultPort;
    if (!environment.port.isEmpty()) {
        const std::optional<unsigned> number = portNumber(environment.port);
        if (!number) {
            *why =
                QStringLiteral("MPD_PORT \"%1\" is no port number (1-65535)").arg(environment.port);
            return std::nullopt;
        }
        port = *number;
    }
    MpdAddress address;
    QString host = environment.host;
    address.password = takePassword(&host);
    if (!host.isEmpty()) {
        address.endpoints.push_back({host, isSocket(host) ? 0 : port});
        return address;
    }
    if (!environment.runtimeDir.isEmpty()) {
        address.endpoints.push_back({environment.runtimeDir + QStringLiteral("/mpd/socket"), 0});
    }
    address.endpoints.push_back({QStringLiteral("localhost"), port});
    return address;
}

} // namespace

QString MpdEndpoint::text() const {
    if (port == 0) {
        return host;
    }
    const QString name = host.contains(u':') ? u'[' + host + u']' : host;
    return name + u':' + QString::number(port);
}

bool isMpdSource(const QString& source) {
    return source.startsWith(Scheme, Qt::CaseInsensitive);
}

std::optional<MpdAddress> parseMpdSource(const QString& source, const MpdEnvironment& environment,
                                         QString* error) {
    QString why;
    const auto fail = [&]() -> std::optional<MpdAddress> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (!isMpdSource(source)) {
        why = QStringLiteral("not an MPD address (mpd://HOST)");
        return fail();
    }
    QString rest = source.mid(Scheme.size());
    if (!rest.isEmpty() && !rest.startsWith(QStringLiteral("//"))) {
        why = QStringLiteral("write an MPD address as mpd://[PASSWORD@]HOST[:PORT]");
        return fail();
    }
    rest.remove(0, 2);
    const QString password = takePassword(&rest);
    if (rest.isEmpty()) {
        std::optional<MpdAddress> address = defaultAddress(environment, &why);
        if (!address) {
            return fail();
        }
        if (!password.isEmpty()) {
            address->password = password;
        }
        return address;
    }
    const std::optional<MpdEndpoint> endpoint = parseHost(rest, &why);
    if (!endpoint) {
        return fail();
    }
    return MpdAddress{{*endpoint}, password};
}

} // namespace corvane::library
