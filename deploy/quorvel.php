<?php
// Quorvel's public-IP page for servers that already run PHP: the caller's
// address as this server sees it. Put it in the web root as /quorvel.php.
// Behind a load balancer REMOTE_ADDR is the balancer unless the web server
// replaces it with the client's (nginx realip, Apache mod_remoteip).

// The page states who asked; a cached copy would state someone else.
header('Cache-Control: no-store');
// Nobody asking for their address needs to learn our PHP version.
header_remove('X-Powered-By');

$method = $_SERVER['REQUEST_METHOD'] ?? 'GET';
if ($method !== 'GET' && $method !== 'HEAD') {
    http_response_code(405);
    header('Allow: GET, HEAD');
    header('Content-Type: text/plain; charset=utf-8');
    echo "Method Not Allowed\n";
    exit;
}

header('Content-Type: text/html; charset=utf-8');
$address = htmlspecialchars($_SERVER['REMOTE_ADDR'] ?? '', ENT_QUOTES, 'UTF-8');
echo "<!DOCTYPE html>\n<html><head><title>Your IP</title></head>"
   . "<body>Your IP address is: <b>$address</b></body></html>\n";
