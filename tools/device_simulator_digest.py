"""The simulated device's HTTP Digest authentication (RFC 2617): its challenge
and its own check of every Authorization line, with hashlib. Part of
tools/device_simulator.py; shares nothing with the upgrade tool."""
import hashlib
import re
import secrets


def md5_hex(data):
    return hashlib.md5(data if isinstance(data, bytes) else data.encode("latin-1")).hexdigest()


def digest_response(user, realm, password, nonce, uri, algorithm="", qop="", nc="", cnonce="",
                    method="GET", sess_over_hex=False):
    """request-digest of RFC 2617 section 3.2.2.1:
         qop present: KD(H(A1), nonce ":" nc ":" cnonce ":" qop ":" H(A2))
         qop absent:  KD(H(A1), nonce ":" H(A2))     with KD(s, d) = H(s ":" d)
       A1 = user ":" realm ":" password, or for MD5-sess
       A1 = H(user ":" realm ":" password) ":" nonce ":" cnonce, where that H
       is the 16 raw bytes, as in the RFC's reference code (section 5);
       sess_over_hex takes their hex text instead (the later RFC 7616 form).
       A2 = method ":" uri."""
    first = hashlib.md5(("%s:%s:%s" % (user, realm, password)).encode("latin-1")).digest()
    if algorithm.lower() == "md5-sess":
        base = first.hex().encode("ascii") if sess_over_hex else first
        ha1 = md5_hex(base + (":%s:%s" % (nonce, cnonce)).encode("latin-1"))
    else:
        ha1 = first.hex()
    ha2 = md5_hex("%s:%s" % (method, uri))
    if qop:
        return md5_hex("%s:%s:%s:%s:%s:%s" % (ha1, nonce, nc, cnonce, qop, ha2))
    return md5_hex("%s:%s:%s" % (ha1, nonce, ha2))


def parse_digest_fields(value):
    """The parameters of 'Digest a="x",b=y', names in lower case; None when
    the scheme is not Digest. The first of repeated parameters counts."""
    scheme, _, rest = value.strip().partition(" ")
    if scheme.lower() != "digest":
        return None
    fields = {}
    for name, quoted, plain in re.findall(r'([A-Za-z0-9_-]+)\s*=\s*(?:"([^"]*)"|([^,\s]*))', rest):
        fields.setdefault(name.lower(), plain if plain else quoted)
    return fields


def same_algorithm(challenge, answer):
    """An absent algorithm means MD5 (RFC 2617 section 3.2.1)."""
    plain = lambda text: "md5" if text.lower() in ("", "md5") else text.lower()
    return plain(challenge) == plain(answer)


class DigestGuard:
    """The device's credentials, its challenge, and the nonce count seen."""

    def __init__(self, user, password, realm, qop="auth", algorithm="MD5", opaque="", nonce=None,
                 quote_algorithm=True, nextnonce=False):
        """qop "" and algorithm "": the challenge carries no such parameter;
        opaque "": none; nonce None: a random one. quote_algorithm False:
        algorithm=MD5 as a token; nextnonce: the challenge also carries a
        nextnonce, another random value, before its nonce (which alone the
        check expects)."""
        self.user, self.password, self.realm = user, password, realm
        self.qop, self.algorithm, self.opaque = qop, algorithm, opaque
        self.quote_algorithm, self.nextnonce = quote_algorithm, nextnonce
        self.nonce = nonce or secrets.token_hex(16)
        self.highest_nc = 0     # of the current nonce; a count not above it is a replay

    def renew_nonce(self):
        self.nonce = secrets.token_hex(16)
        self.highest_nc = 0

    def challenge(self, stale=False):
        parts = ['realm="%s"' % self.realm]
        if self.nextnonce:
            parts.append('nextnonce="%s"' % secrets.token_hex(16))
        parts.append('nonce="%s"' % self.nonce)
        if self.qop:
            parts.append('qop="%s"' % self.qop)
        if self.algorithm:
            parts.append(('algorithm="%s"' if self.quote_algorithm else "algorithm=%s") % self.algorithm)
        if self.opaque:
            parts.append('opaque="%s"' % self.opaque)
        if stale:
            parts.append("stale=TRUE")
        return "Digest " + ", ".join(parts)

    def check(self, authorization, path):
        """(verified, reason, fields) for one Authorization header value of a
        GET of path."""
        fields = parse_digest_fields(authorization)
        if fields is None:
            return False, "not a Digest authorization", {}
        get = lambda name: fields.get(name, "")
        for failed, reason in (
                (get("username") != self.user, "wrong user"),
                (get("realm") != self.realm, "wrong realm"),
                (get("nonce") != self.nonce, "stale nonce"),
                (get("uri") != path, "uri is not the request path"),
                (not same_algorithm(self.algorithm, get("algorithm")), "algorithm differs from the challenge's"),
                (get("opaque") != self.opaque, "opaque differs from the challenge's"),
                (get("qop") != self.qop, "qop differs from the challenge's")):
            if failed:
                return False, reason, fields
        rising = True
        if self.qop:
            if not re.fullmatch(r"[0-9a-fA-F]{1,16}", get("nc")) or not get("cnonce"):
                return False, "nc or cnonce missing or malformed", fields
            nc = int(get("nc"), 16)
            rising = nc > self.highest_nc
            self.highest_nc = max(self.highest_nc, nc)
        arguments = (self.user, self.realm, self.password, self.nonce, path, self.algorithm,
                     self.qop, get("nc"), get("cnonce"))
        if get("response") == digest_response(*arguments):
            return (True, "verified", fields) if rising else (False, "nonce count not rising (a replay)", fields)
        if self.algorithm.lower() == "md5-sess" and get("response") == digest_response(*arguments, sess_over_hex=True):
            return False, "wrong response (MD5-sess over the hex text of H(A1), not its bytes)", fields
        return False, "wrong response", fields
